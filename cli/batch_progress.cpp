// CBatchProgress: one bar for the whole batch, each pair's messages under its label, and the closing summary.
#include "cli/batch_progress.h"

#include "cli/command_outcome.h"
#include "cli/commands.h"

#include <unistd.h>

#include <cstdio>

namespace {

constexpr int kBarWidth = 30;

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

std::string Duration(double dSeconds)
{
    const long nSeconds = static_cast<long>(dSeconds + 0.5);
    if (nSeconds < 60) {
        char text[16];
        std::snprintf(text, sizeof text, "%.1f s", dSeconds);
        return text;
    }
    if (nSeconds < 3600)
        return std::to_string(nSeconds / 60) + " min " + std::to_string(nSeconds % 60) + " s";
    return std::to_string(nSeconds / 3600) + " h " + std::to_string(nSeconds / 60 % 60) + " min";
}

} // namespace

CBatchProgress::CBatchProgress(std::size_t nPairs)
    : m_bTerminal(::isatty(STDERR_FILENO) != 0)
    , m_start(std::chrono::steady_clock::now())
{
    m_counts.nPairs = nPairs;
    const std::lock_guard lock(m_mutex);
    Draw();
}

void CBatchProgress::Say(const std::string& label, const std::string& text)
{
    const std::lock_guard lock(m_mutex);
    ClearLine();
    std::fprintf(stderr, "%s: %s\n", label.c_str(), text.c_str());
    Draw();
}

void CBatchProgress::AddPair()
{
    const std::lock_guard lock(m_mutex);
    ++m_counts.nPairs;
}

void CBatchProgress::Report(EPairResult result, const std::string& output)
{
    const std::lock_guard lock(m_mutex);
    ClearLine();
    if (!output.empty() && !PrintText(output))
        m_bOutputLost = true;
    m_counts.nDone += result == EPairResult::kDone ? 1 : 0;
    m_counts.nFailed += result == EPairResult::kFailed ? 1 : 0;
    m_counts.nSkipped += result == EPairResult::kSkipped ? 1 : 0;
    Draw();
}

int CBatchProgress::Finish(bool bInterrupted)
{
    const std::lock_guard lock(m_mutex);
    ClearLine();
    const std::size_t nLeft = m_counts.nPairs - m_counts.nDone - m_counts.nFailed - m_counts.nSkipped;
    std::fprintf(stderr, "batch: %zu pairs, %zu done, %zu failed, %zu skipped%s in %s\n", m_counts.nPairs,
                 m_counts.nDone, m_counts.nFailed, m_counts.nSkipped,
                 bInterrupted ? (", interrupted with " + std::to_string(nLeft) + " not finished").c_str() : "",
                 Duration(SecondsSince(m_start)).c_str());
    if (bInterrupted)
        return kExitInterrupted;
    return m_counts.nFailed == 0 && nLeft == 0 && !m_bOutputLost ? kExitDone : kExitFailed;
}

SBatchCounts CBatchProgress::Counts()
{
    const std::lock_guard lock(m_mutex);
    return m_counts;
}

void CBatchProgress::ClearLine()
{
    if (m_bLineOpen)
        std::fputs("\r\033[K", stderr);
    std::fflush(stdout);
    m_bLineOpen = false;
}

// The time the pairs left would take at the pace of the pairs run so far
// (skipped pairs take no time, so they do not count).
std::string CBatchProgress::Remaining() const
{
    const std::size_t nRun = m_counts.nDone + m_counts.nFailed;
    const std::size_t nLeft = m_counts.nPairs - nRun - m_counts.nSkipped;
    if (nLeft == 0)
        return "";
    if (nRun == 0)
        return ", time left: estimating";
    return ", about " + Duration(SecondsSince(m_start) / static_cast<double>(nRun) * static_cast<double>(nLeft))
        + " left";
}

void CBatchProgress::Draw()
{
    if (!m_bTerminal)
        return;
    const std::size_t nFinished = m_counts.nDone + m_counts.nFailed + m_counts.nSkipped;
    const std::size_t nFilled = m_counts.nPairs > 0 ? nFinished * kBarWidth / m_counts.nPairs : kBarWidth;
    std::string bar(nFilled, '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stderr, "\r\033[K[%s] %zu/%zu pairs: %zu done, %zu failed, %zu left%s", bar.c_str(), nFinished,
                 m_counts.nPairs, m_counts.nDone + m_counts.nSkipped, m_counts.nFailed, m_counts.nPairs - nFinished,
                 Remaining().c_str());
    std::fflush(stdout);
    m_bLineOpen = true;
}
