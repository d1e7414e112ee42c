// A scripted stand-in for the desktop's HTML program, so that no test of the links starts a browser.
#pragma once

#include "about/html_handler.h"

#include <optional>
#include <vector>

// Answers the lookup of the HTML program with `m_entry` and records every
// start instead of starting anything. Installed for its lifetime.
class CScriptedHtmlHandler : public CHtmlHandler {
public:
    CScriptedHtmlHandler()
        : m_override(*this)
    { }

    std::optional<SDesktopEntry> FindHtmlHandler() override
    {
        ++m_nLookups;
        return m_entry;
    }
    int StartDetached(const QString& program, const QStringList& args) override
    {
        m_started.push_back(QStringList{program} + args);
        return m_nStartError;
    }

    std::optional<SDesktopEntry> m_entry;
    int m_nStartError = 0;
    int m_nLookups = 0;
    std::vector<QStringList> m_started;

private:
    CHtmlHandlerOverride m_override;
};
