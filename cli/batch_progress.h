// CBatchProgress: the counts of a batch, its progress bar on a terminal, its pairs' reports and its summary.
#pragma once

#include <chrono>
#include <cstddef>
#include <mutex>
#include <string>
#include <vector>

enum class EPairResult { kDone, kFailed, kSkipped, kInterrupted };

// Called from the batch's worker threads. On a terminal (stdout a tty) one
// line of stdout shows a bar with the pairs done, failed and left and an
// estimate of the time remaining; elsewhere stdout holds only the paths of
// the maps made.
class CBatchProgress {
public:
    explicit CBatchProgress(std::size_t nPairs);

    // Prints the pair's messages on stderr, each prefixed by its label, and
    // the map's path on stdout when it was made; counts it and redraws the bar.
    void Report(const std::string& label, EPairResult result, const std::vector<std::string>& messages,
                const std::string& mapPath);
    // Clears the bar, prints the summary line on stderr and returns the exit
    // code: done (skipped counts as done), failed, or interrupted.
    int Finish(bool bInterrupted);

private:
    void ClearLine();
    void Draw();
    std::string Remaining() const;

    std::mutex m_mutex;
    const bool m_bTerminal;
    const std::chrono::steady_clock::time_point m_start;
    std::size_t m_nPairs;
    std::size_t m_nDone = 0;
    std::size_t m_nFailed = 0;
    std::size_t m_nSkipped = 0;
    bool m_bOutputLost = false; // a map path could not be written to stdout
    bool m_bLineOpen = false;
};
