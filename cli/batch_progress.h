// CBatchProgress: the counts of a batch, its progress bar on a terminal, its pairs' reports and its summary.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

enum class EPairResult { kDone, kFailed, kSkipped, kInterrupted };

struct SBatchCounts {
    std::size_t nPairs = 0;
    std::size_t nDone = 0;
    std::size_t nFailed = 0;
    std::size_t nSkipped = 0;
};

// Called from the batch's worker threads. When stderr is a terminal one
// line of it shows a bar with the pairs done, failed and left and an
// estimate of the time remaining; stdout holds only the paths of the maps
// made (or the pairs' reports), wherever it goes.
class CBatchProgress {
public:
    explicit CBatchProgress(std::size_t nPairs);

    // Prints a message or notice of a pair's job on stderr as it comes,
    // prefixed by the pair's label.
    void Say(const std::string& label, const std::string& text);
    // Prints the pair's output on stdout (its map's path, or its report);
    // counts the pair and redraws the bar.
    void Report(EPairResult result, const std::string& output);
    // One more pair than the batch started with: a user's pair found under
    // the names of a stereo file's views, run on its own.
    void AddPair();
    // Clears the bar, prints the summary line on stderr and returns the exit
    // code: done (skipped counts as done), failed, or interrupted.
    int Finish(bool bInterrupted);
    SBatchCounts Counts();

private:
    void ClearLine();
    void Draw();
    std::string Remaining() const;

    std::mutex m_mutex;
    const bool m_bTerminal;
    const std::chrono::steady_clock::time_point m_start;
    SBatchCounts m_counts;
    bool m_bOutputLost = false; // a map path could not be written to stdout
    bool m_bLineOpen = false;
};
