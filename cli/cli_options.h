// Command-line option parsing shared by the tool's commands.
#pragma once

#include "engine/base/image_format.h"

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

// A usage error: the tool prints it with the usage text and exits with 2.
struct SUsageError : std::runtime_error {
    using std::runtime_error::runtime_error;
};

// Prints "tessaly-cli COMMAND: problem" and the hint to the command's help on
// stderr, and returns the exit code of a usage error.
int ReportUsageError(const std::string& command, const std::string& problem);

// The arguments with every "--name=value" before a "--" split into "--name"
// and "value", as most tools accept both spellings.
std::vector<std::string> SplitOptionValues(const std::vector<std::string>& args);

// Options of one command: "--name value" pairs and "--flag" switches. A "--"
// ends the options; only operands may follow it (see TakeOperands).
class CCommandLine {
public:
    // Throws SUsageError for an unknown option, a missing value or an option
    // given twice.
    CCommandLine(const std::vector<std::string>& args, const std::vector<std::string>& valueOptions,
                 const std::vector<std::string>& flags);

    bool Has(const std::string& name) const { return m_values.count(name) != 0; }
    bool Flag(const std::string& name) const { return Has(name); }
    std::string Text(const std::string& name, const std::string& fallback = {}) const;
    // A whole decimal number within [nMin, nMax], else SUsageError.
    int Number(const std::string& name, int nDefault, int nMin, int nMax) const;
    std::string Required(const std::string& name) const;

private:
    std::map<std::string, std::string> m_values;
};

// "bmp", "png", "tif" or "tiff" to the format; SUsageError otherwise.
ESaveFormat ParseFormat(const std::string& text);

// Removes the operands (arguments that are neither options nor the value of
// one of `valueOptions`, and every argument after a "--") from `args` and
// returns them in order.
std::vector<std::string> TakeOperands(std::vector<std::string>& args, const std::vector<std::string>& valueOptions);

// Takes "--threads N" out of a command's arguments and returns N (1 to the
// largest thread budget); nothing when it is not given. SUsageError for a
// missing or bad value, or the option given twice.
std::optional<int> TakeThreadsOption(std::vector<std::string>& args);
