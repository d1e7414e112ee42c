// CConsoleHost: messages on stderr, status and progress bar on a terminal.
#include "cli/console_host.h"

#include <csignal>
#include <cstdio>
#include <unistd.h>

std::atomic<bool> g_bInterrupted{false};

namespace {

// The first interrupt lets the running stage stop cleanly at its next row;
// a second one ends the program at once (a save in progress then leaves at
// most its hidden temporary file, never a partial result).
extern "C" void OnInterrupt(int nSignal)
{
    g_bInterrupted = true;
    std::signal(nSignal, SIG_DFL);
}

constexpr int kBarWidth = 30;

} // namespace

void InstallInterruptHandlers()
{
    std::signal(SIGINT, OnInterrupt);
    std::signal(SIGTERM, OnInterrupt);
}

CConsoleHost::CConsoleHost()
    : m_bTerminal(::isatty(STDERR_FILENO) != 0)
{
    InstallInterruptHandlers();
}

CConsoleHost::~CConsoleHost()
{
    FinishLine();
}

void CConsoleHost::FinishLine()
{
    if (m_bLineOpen)
        std::fputs("\r\033[K", stderr);
    std::fflush(stdout);
    m_bLineOpen = false;
    m_nDrawn = -1;
}

void CConsoleHost::ShowMessage(const std::string& text)
{
    FinishLine();
    std::fprintf(stderr, "%s\n", text.c_str());
    m_said.push_back(text);
}

void CConsoleHost::ShowNotice(const std::string& text)
{
    FinishLine();
    std::fprintf(stderr, "%s\n", text.c_str());
    m_said.push_back(text);
}

void CConsoleHost::SetStatus(const std::string& text)
{
    m_strStatus = text;
    m_nDrawn = -1;
    Draw();
}

void CConsoleHost::SetProgressRange(int nRows)
{
    m_nRange = nRows;
    m_nPosition = 0;
    Draw();
}

void CConsoleHost::StepProgress()
{
    if (m_nPosition < m_nRange)
        ++m_nPosition;
    Draw();
}

void CConsoleHost::ResetProgress()
{
    m_nPosition = 0;
    m_nRange = 0;
    Draw();
}

bool CConsoleHost::IsCancelled() const
{
    return g_bInterrupted;
}

void CConsoleHost::Draw()
{
    if (!m_bTerminal)
        return;
    const int nFilled = m_nRange > 0 ? m_nPosition * kBarWidth / m_nRange : 0;
    if (nFilled == m_nDrawn)
        return;
    m_nDrawn = nFilled;
    std::string bar(static_cast<std::size_t>(nFilled), '#');
    bar.resize(kBarWidth, '.');
    std::fprintf(stderr, "\r\033[K%-26s [%s]", m_strStatus.c_str(), bar.c_str());
    std::fflush(stdout);
    m_bLineOpen = true;
}
