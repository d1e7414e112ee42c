// CConsoleHost: the stage host of the command-line tool.
#pragma once

#include "engine/base/stage_host.h"

#include <atomic>
#include <string>
#include <vector>

// Messages go to stderr, one a line. When stderr is a terminal the status
// text and a progress bar are drawn on one line of it, so that the results
// on stdout can go to a file or a pipe while the user watches the bar.
class CConsoleHost : public CStageHost {
public:
    CConsoleHost();
    ~CConsoleHost() override;

    void ShowMessage(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    void ShowNotice(const std::string& text) override;
    void SetProgressRange(int nRows) override;
    void StepProgress() override;
    void ResetProgress() override;
    bool IsCancelled() const override;

    // Every message and notice shown, in order (for --json).
    const std::vector<std::string>& Said() const { return m_said; }
    // Clears the progress line so that later output starts on a clean line.
    void FinishLine();

private:
    void Draw();

    bool m_bTerminal;
    std::string m_strStatus;
    int m_nRange = 0;
    int m_nPosition = 0;
    int m_nDrawn = -1;
    bool m_bLineOpen = false;
    std::vector<std::string> m_said;
};

// Set by Ctrl+C; the running stage stops at its next row and writes nothing.
extern std::atomic<bool> g_bInterrupted;

// Makes Ctrl+C and SIGTERM set g_bInterrupted (a second one ends the
// program at once); every CConsoleHost does it.
void InstallInterruptHandlers();
