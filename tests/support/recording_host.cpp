// CRecordingHost: records the messages, status texts and progress calls of the stages.
#include "support/recording_host.h"

#include <utility>

void CRecordingHost::Record(std::string event)
{
    if (m_nPendingSteps > 0)
        m_events.push_back("steps: " + std::to_string(std::exchange(m_nPendingSteps, 0)));
    m_events.push_back(std::move(event));
}

std::vector<std::string> CRecordingHost::Events() const
{
    std::vector<std::string> events = m_events;
    if (m_nPendingSteps > 0)
        events.push_back("steps: " + std::to_string(m_nPendingSteps));
    return events;
}
