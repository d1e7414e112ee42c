// CRecordingHost: records the messages, status texts and progress calls of the stages.
#include "support/recording_host.h"

void CRecordingHost::FoldSteps()
{
    if (m_nPendingSteps > 0)
        m_events.push_back("steps: " + std::to_string(m_nPendingSteps));
    m_nPendingSteps = 0;
}

std::vector<std::string> CRecordingHost::Events() const
{
    std::vector<std::string> events = m_events;
    if (m_nPendingSteps > 0)
        events.push_back("steps: " + std::to_string(m_nPendingSteps));
    return events;
}

void CRecordingHost::ShowMessage(const std::string& text)
{
    FoldSteps();
    m_events.push_back("message: " + text);
    m_messages.push_back(text);
}

void CRecordingHost::SetStatus(const std::string& text)
{
    FoldSteps();
    m_events.push_back("status: " + text);
    m_strStatus = text;
}

void CRecordingHost::SetProgressRange(int nRows)
{
    FoldSteps();
    m_events.push_back("range: " + std::to_string(nRows));
}

void CRecordingHost::StepProgress()
{
    ++m_nSteps;
    ++m_nPendingSteps;
}

void CRecordingHost::ResetProgress()
{
    FoldSteps();
    m_events.push_back("reset");
}
