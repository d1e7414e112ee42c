// tessaly-cli batch: depth maps of many pairs, from a folder or a list, on several threads, in shards, resumable.
#include "cli/batch_pairs.h"
#include "cli/batch_progress.h"
#include "cli/cli_options.h"
#include "cli/commands.h"
#include "cli/console_host.h"
#include "cli/depth_settings.h"
#include "cli/json_report.h"
#include "cli/output_folder.h"
#include "cli/stereo_input.h"
#include "engine/base/thread_budget.h"
#include "engine/io/file_names.h"
#include "engine/job/depth_map_job.h"

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <thread>

const std::string kBatchUsage
    = "tessaly-cli batch (FOLDER | --list FILE|-) [depth settings] [--jobs N] [--shard K/N] [--skip-done]\n"
      "    [--output-dir DIR]\n"
      "  Makes the depth map of every pair, with the settings of \"depth\" (--side, --fragment, ...,\n"
      "  --format), and prints the path of each map made. A FOLDER pairs NAME_L/NAME_R, NAME-left/\n"
      "  NAME-right (any letter case, any image type) and splits each .mpo and .jps file first; a list\n"
      "  FILE holds one pair a line: two paths separated by a tab (or spaces), or one .mpo or .jps path,\n"
      "  relative to the list's folder (--list - reads standard input, relative to the current folder);\n"
      "  blank lines and # comments are skipped. Names that pair with\n"
      "  nothing or twice, and bad lines, are reported and count as failed.\n"
      "  --jobs N runs N pairs at once (pairs in one folder still take turns), never more than the\n"
      "  threads (--threads), which the jobs share. --shard K/N runs only the K-th of N equal slices of\n"
      "  the sorted pairs. --skip-done skips pairs whose map is newer than their images. Exit code 0\n"
      "  when every pair is done or skipped, 1 when any failed.\n"
      "  --output-dir DIR writes a pair's files into DIR + its folder's path from FOLDER or the list's.\n";

namespace {

constexpr int kMaxJobs = 64;

// The host of one pair's job: no bar of its own; its messages and notices
// (a wait for another job, a file's detail, an odd width) reach stderr as
// they come, prefixed by the pair; cancelled by Ctrl+C like the depth command.
class CBatchHost : public CStageHost {
public:
    CBatchHost(CBatchProgress& progress, std::string label)
        : m_progress(progress)
        , m_label(std::move(label))
    { }
    void ShowMessage(const std::string& text) override { Say(text); }
    void ShowNotice(const std::string& text) override { Say(text); }
    void SetStatus(const std::string&) override { }
    void SetProgressRange(int) override { }
    void StepProgress() override { }
    void ResetProgress() override { }
    bool IsCancelled() const override { return g_bInterrupted; }
    const std::vector<std::string>& Said() const { return m_said; }

private:
    void Say(const std::string& text)
    {
        m_progress.Say(m_label, text);
        m_said.push_back(text);
    }

    CBatchProgress& m_progress;
    std::string m_label;
    std::vector<std::string> m_said;
};

struct SBatchOptions {
    std::vector<SBatchPair> pairs;
    SDepthSettings settings;
    int nJobs = 1;
    bool bSkipDone = false;
    // --output-dir, and the folder whose subfolders it mirrors: FOLDER, or the list's.
    std::string outputFolder;
    std::string base;
};

SBatchOptions ParseBatchOptions(std::vector<std::string> args)
{
    const std::vector<std::string> valueOptions = DepthSettingOptions({"--list", "--jobs", "--shard", "--output-dir"});
    const std::vector<std::string> folders = TakeOperands(args, valueOptions);
    const CCommandLine line(args, valueOptions, DepthSettingFlags({"--skip-done"}));
    if (folders.size() + (line.Has("--list") ? 1 : 0) != 1)
        throw SUsageError("batch takes one FOLDER or one --list FILE");
    SBatchOptions options;
    options.settings = ParseDepthSettings(line);
    options.nJobs = line.Number("--jobs", 1, 1, kMaxJobs);
    const SShard shard = ParseShard(line.Text("--shard", "1/1"));
    options.bSkipDone = line.Flag("--skip-done");
    options.outputFolder = ParseOutputFolder(line);
    options.base = line.Has("--list") ? ListFolder(line.Text("--list")) : folders[0];
    std::vector<SBatchPair> pairs;
    if (line.Has("--list") && !ReadPairList(line.Text("--list"), pairs))
        throw SUsageError("cannot read the list " + line.Text("--list"));
    if (!line.Has("--list") && !PairFolder(folders[0], options.settings.m_saveFormat, pairs))
        throw SUsageError("cannot read the folder " + folders[0]);
    options.pairs = TakeShard(std::move(pairs), shard);
    return options;
}

std::filesystem::file_time_type WriteTime(const std::string& path)
{
    std::error_code error;
    const auto time = std::filesystem::last_write_time(path, error);
    return error ? std::filesystem::file_time_type::min() : time;
}

// The folder of every file of the pair's job, "" for beside its images.
std::string OutputFolderOf(const SBatchPair& pair, const SBatchOptions& options)
{
    return PairOutputFolder(options.outputFolder, options.base, pair.strLeft);
}

// The side's depth map of a pair, where the job writes it.
std::string MapPath(const SBatchPair& pair, const SBatchOptions& options)
{
    const SDepthSettings& settings = options.settings;
    const bool bRight = settings.bRightMap;
    const std::string folder = OutputFolderOf(pair, options);
    const std::string image = !pair.IsStereoFile()
        ? (bRight ? pair.strRight : pair.strLeft)
        : StereoViewName(pair.strLeft, StereoLayoutOf(pair.strLeft), settings.m_saveFormat, bRight, folder);
    return MakeDerivedName(InOutputFolder(MakeBase(image), folder), kSuffixDepthMap, settings.m_saveFormat);
}

// Whether the map is newer than the pair's images (a stereo file's views are
// made from it, so the file itself counts, and so do views found beside it).
bool IsDone(const SBatchPair& pair, const SBatchOptions& options)
{
    const auto mapTime = WriteTime(MapPath(pair, options));
    if (mapTime == std::filesystem::file_time_type::min())
        return false;
    for (const std::string& image : {pair.strLeft, pair.strRight, pair.strViewsLeft, pair.strViewsRight})
        if (!image.empty() && mapTime <= WriteTime(image))
            return false;
    return true;
}

EPairResult RunJob(CDepthMapJob& job, const SDepthSettings& settings, CJsonReport& report)
{
    report["left"] = job.m_pair.LeftPath();
    report["right"] = job.m_pair.RightPath();
    const SDepthJobOutcome outcome = job.RunJob(settings.bRightMap);
    ReportDepthJob(outcome, report);
    if (outcome.bDone)
        return EPairResult::kDone;
    return g_bInterrupted ? EPairResult::kInterrupted : EPairResult::kFailed;
}

// Runs the pair's job; bViewsOnTheirOwn is set when a stereo file's split was
// refused and the images under its views' names must run as their own pair.
EPairResult RunPair(const SBatchPair& pair, const SBatchOptions& options, CStageHost& host, CJsonReport& report,
                    bool& bViewsOnTheirOwn)
{
    if (!pair.strProblem.empty()) {
        host.ShowMessage(pair.strProblem);
        bViewsOnTheirOwn = pair.HasViews();
        return EPairResult::kFailed;
    }
    // A stereo file's map is its views' map; when images already stand under
    // the views' names, only its split tells whether they are its views.
    if (options.bSkipDone && !pair.HasViews() && IsDone(pair, options))
        return EPairResult::kSkipped;
    const std::string folder = OutputFolderOf(pair, options);
    if (const std::string problem = OutputFolderProblem(folder); !problem.empty()) {
        host.ShowMessage(problem);
        return EPairResult::kFailed;
    }
    CDepthMapJob job(host);
    options.settings.ApplyTo(job);
    if (!pair.IsStereoFile()) {
        job.m_pair = CStereoPair(pair.strLeft, pair.strRight).WithOutputFolder(folder);
        return RunJob(job, options.settings, report);
    }
    if (!SplitIntoJob({pair.strLeft, StereoLayoutOf(pair.strLeft)}, job, host, folder)) {
        bViewsOnTheirOwn = pair.HasViews() && !g_bInterrupted;
        return g_bInterrupted ? EPairResult::kInterrupted : EPairResult::kFailed;
    }
    if (options.bSkipDone && IsDone(pair, options))
        return EPairResult::kSkipped;
    return RunJob(job, options.settings, report);
}

// A pair's report: its images (or stereo file), its files, its messages
// and how it ended, with "skipped" beside the outcomes of a command.
std::string PairLine(const SBatchPair& pair, EPairResult result, const CJsonReport& report,
                     const std::vector<std::string>& said)
{
    const int nExit = result == EPairResult::kFailed ? kExitFailed
        : result == EPairResult::kInterrupted        ? kExitInterrupted
                                                     : kExitDone;
    nlohmann::ordered_json object = report.Finished(nExit, {}, said);
    if (!pair.strProblem.empty())
        object["pair"] = pair.Label(); // a line or a name that made no pair
    else if (!object.contains("left") && !pair.IsStereoFile())
        object["left"] = pair.strLeft, object["right"] = pair.strRight;
    if (result == EPairResult::kSkipped)
        object["outcome"] = "skipped";
    object.erase("exit_code");
    return JsonLine(object);
}

void RunAndReport(const SBatchPair& pair, const SBatchOptions& options, CBatchProgress& progress)
{
    CBatchHost host(progress, pair.Label());
    CJsonReport report("batch");
    if (pair.IsStereoFile())
        report["file"] = pair.strLeft;
    EPairResult result = EPairResult::kFailed;
    bool bViewsOnTheirOwn = false;
    try {
        result = RunPair(pair, options, host, report, bViewsOnTheirOwn);
    } catch (const std::exception& error) {
        host.ShowMessage(std::string("stopped by an error: ") + error.what());
    }
    if (IsJsonOutput())
        progress.Report(result, PairLine(pair, result, report, host.Said()));
    else
        progress.Report(result, result == EPairResult::kDone ? MapPath(pair, options) + '\n' : std::string());
    if (bViewsOnTheirOwn) {
        progress.AddPair();
        RunAndReport({pair.strViewsLeft, pair.strViewsRight, {}}, options, progress);
    }
}

// Workers take the next pair until none is left or Ctrl+C was pressed; one
// failed pair never stops the others.
void RunPairs(const SBatchOptions& options, CBatchProgress& progress)
{
    // The jobs share the thread budget, so that together they keep no more
    // threads busy than it allows.
    const int nBudget = ThreadBudget();
    const int nJobs = std::min(options.nJobs, nBudget);
    SetThreadBudget(nBudget / nJobs);
    std::atomic<std::size_t> next{0};
    const auto work = [&] {
        for (std::size_t i = next++; i < options.pairs.size() && !g_bInterrupted; i = next++)
            RunAndReport(options.pairs[i], options, progress);
    };
    std::vector<std::jthread> workers;
    for (int i = 1; i < nJobs; ++i)
        workers.emplace_back(work);
    work();
}

// The batch's closing report: its settings, the pairs counted, how it ended.
int PrintSummary(const CJsonReport& summary, const SBatchCounts& counts, int nExit,
                 const std::vector<std::string>& said)
{
    nlohmann::ordered_json object = summary.Finished(nExit, {}, said);
    object.erase("written");
    object["pairs"] = counts.nPairs;
    object["done"] = counts.nDone;
    object["failed"] = counts.nFailed;
    object["skipped"] = counts.nSkipped;
    return PrintJson(object) || nExit != kExitDone ? nExit : kExitFailed;
}

} // namespace

int RunBatchCommand(const std::vector<std::string>& args)
{
    SBatchOptions options;
    try {
        options = ParseBatchOptions(args);
    } catch (const SUsageError& error) {
        return ReportUsageError("batch", error.what());
    }
    CJsonReport summary("batch");
    summary["summary"] = true;
    summary["settings"] = DepthSettingsJson(options.settings);
    std::vector<std::string> said;
    const auto say = [&](const std::string& text) {
        std::fprintf(stderr, "%s\n", text.c_str());
        said.push_back(text);
    };
    if (const std::string notice = FlatMapNotice(options.settings); !notice.empty())
        say(notice);
    int nExit = kExitFailed;
    SBatchCounts counts{.nPairs = options.pairs.size()};
    if (const std::string problem = OutputFolderProblem(options.outputFolder); !problem.empty()) {
        say("tessaly-cli: " + problem);
    } else {
        InstallInterruptHandlers();
        CBatchProgress progress(options.pairs.size());
        RunPairs(options, progress);
        nExit = progress.Finish(g_bInterrupted);
        counts = progress.Counts();
    }
    return IsJsonOutput() ? PrintSummary(summary, counts, nExit, said) : nExit;
}
