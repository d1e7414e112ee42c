// Command-line option parsing.
#include "cli/cli_options.h"

#include "cli/commands.h"
#include "cli/json_report.h"
#include "engine/base/thread_budget.h"
#include "engine/io/file_names.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>

namespace {

bool Contains(const std::vector<std::string>& list, const std::string& name)
{
    return std::find(list.begin(), list.end(), name) != list.end();
}

} // namespace

int ReportUsageError(const std::string& command, const std::string& problem)
{
    std::fprintf(stderr, "tessaly-cli %s: %s\nTry 'tessaly-cli %s --help'.\n", command.c_str(), problem.c_str(),
                 command.c_str());
    if (IsJsonOutput())
        PrintJson(CJsonReport(command).Finished(kExitUsage, {}, {problem}));
    return kExitUsage;
}

std::vector<std::string> SplitOptionValues(const std::vector<std::string>& args)
{
    std::vector<std::string> split;
    bool bOptions = true;
    for (const std::string& arg : args) {
        const std::size_t nEquals = arg.find('=');
        bOptions = bOptions && arg != "--";
        if (bOptions && arg.rfind("--", 0) == 0 && nEquals != std::string::npos) {
            split.push_back(arg.substr(0, nEquals));
            split.push_back(arg.substr(nEquals + 1));
        } else {
            split.push_back(arg);
        }
    }
    return split;
}

CCommandLine::CCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                           const std::vector<std::string>& flags)
{
    for (std::size_t i = 0; i < args.size(); ++i) {
        const std::string& arg = args[i];
        if (arg == "--") {
            if (i + 1 < args.size())
                throw SUsageError("unexpected argument: " + args[i + 1]);
            break;
        }
        // A second value would silently win over the first (a script that
        // appends "--side right" to its defaults), so neither is taken.
        if (Has(arg))
            throw SUsageError("option " + arg + " is given twice");
        if (Contains(flags, arg)) {
            m_values.emplace(arg, std::string(1, 'y'));
        } else if (Contains(valueOptions, arg)) {
            if (i + 1 >= args.size())
                throw SUsageError("option " + arg + " needs a value");
            m_values.emplace(arg, args[++i]);
        } else {
            throw SUsageError("unknown option: " + arg);
        }
    }
}

std::string CCommandLine::Text(const std::string& name, const std::string& fallback) const
{
    const auto it = m_values.find(name);
    return it == m_values.end() ? fallback : it->second;
}

std::string CCommandLine::Required(const std::string& name) const
{
    if (!Has(name))
        throw SUsageError("option " + name + " is required");
    return Text(name);
}

int CCommandLine::Number(const std::string& name, int nDefault, int nMin, int nMax) const
{
    if (!Has(name))
        return nDefault;
    const std::string text = Text(name);
    const bool bDigits
        = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
    const long value = bDigits && text.size() <= 6 ? std::strtol(text.c_str(), nullptr, 10) : -1;
    if (value < nMin || value > nMax)
        throw SUsageError("option " + name + " takes a whole number from " + std::to_string(nMin) + " to "
                          + std::to_string(nMax) + ", not \"" + text + "\"");
    return static_cast<int>(value);
}

ESaveFormat ParseFormat(const std::string& text)
{
    if (const std::optional<ESaveFormat> format = ParseSaveFormat(text))
        return *format;
    throw SUsageError("option --format takes bmp, png or tif, not \"" + text + "\"");
}

std::vector<std::string> TakeOperands(std::vector<std::string>& args, const std::vector<std::string>& valueOptions)
{
    std::vector<std::string> operands;
    std::vector<std::string> options;
    for (std::size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--") {
            operands.insert(operands.end(), args.begin() + static_cast<std::ptrdiff_t>(i) + 1, args.end());
            break;
        }
        if (args[i].rfind("-", 0) != 0) {
            operands.push_back(args[i]);
            continue;
        }
        options.push_back(args[i]);
        if (Contains(valueOptions, args[i]) && i + 1 < args.size())
            options.push_back(args[++i]);
    }
    args = std::move(options);
    return operands;
}

std::optional<int> TakeThreadsOption(std::vector<std::string>& args)
{
    std::vector<std::string> taken;
    for (auto arg = args.begin(); arg != args.end() && *arg != "--";) {
        if (*arg != "--threads") {
            ++arg;
            continue;
        }
        const auto end = arg + 1 == args.end() ? arg + 1 : arg + 2;
        taken.insert(taken.end(), arg, end);
        arg = args.erase(arg, end);
    }
    if (taken.empty())
        return std::nullopt;
    return CCommandLine(taken, {"--threads"}, {}).Number("--threads", 1, 1, kMaxThreadBudget);
}
