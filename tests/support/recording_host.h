// CRecordingHost: a stage host that records what a user would see, for tests and tools.
#pragma once

#include "engine/base/stage_host.h"

#include <string>
#include <vector>

class CRecordingHost : public CStageHost {
public:
    void ShowMessage(const std::string& text) override { Record("message: " + text), m_messages.push_back(text); }
    void SetStatus(const std::string& text) override { Record("status: " + text), m_strStatus = text; }
    void ShowNotice(const std::string& text) override { m_notices.push_back(text); }
    void SetProgressRange(int nRows) override { Record("range: " + std::to_string(nRows)); }
    void StepProgress() override { ++m_nSteps, ++m_nPendingSteps; }
    void ResetProgress() override { Record("reset"); }
    void PumpEvents() override { ++m_nPumps; }
    bool IsCancelled() const override { return m_bCancelled; }

    // Every call in order: "message: ...", "status: ...", "range: n",
    // "steps: k" (consecutive steps folded into one entry) and "reset".
    std::vector<std::string> Events() const;

    std::vector<std::string> m_messages;
    std::vector<std::string> m_notices; // kept apart from Events()
    std::string m_strStatus;
    int m_nSteps = 0;
    int m_nPumps = 0;
    bool m_bCancelled = false;

private:
    // Folds the steps since the last call into one entry before the event.
    void Record(std::string event);
    std::vector<std::string> m_events;
    int m_nPendingSteps = 0;
};
