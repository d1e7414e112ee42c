// CPythonHost: the stage host of a call from Python, which runs the engine without the GIL.
#pragma once

#include "engine/base/stage_host.h"

#include <pybind11/pybind11.h>

#include <chrono>
#include <optional>
#include <string>
#include <vector>

namespace py = pybind11;

// The engine calls its host on the calling thread only, so the host takes
// the GIL back for what needs Python: the progress callback on every step,
// and a check for signals (Ctrl+C) at most every few milliseconds of the
// rows it polls, so that a busy Python thread beside it slows the job
// little. An exception raised by either stops the job at its next row and
// is raised again when the call ends.
class CPythonHost final : public CStageHost {
public:
    // progress: None, or progress(stage, done, total), called with the
    // status line's text, the rows done (0 when a stage starts) and its rows.
    explicit CPythonHost(py::object progress = py::none());

    void ShowMessage(const std::string& text) override;
    void SetStatus(const std::string& text) override { m_strStatus = text; }
    void ShowNotice(const std::string& text) override { m_notices.push_back(text); }
    void SetProgressRange(int nRows) override;
    void StepProgress() override;
    void ResetProgress() override { }
    bool IsCancelled() const override;

    // With the GIL held, after the job: raises what stopped it (an
    // exception of the callback, KeyboardInterrupt, or the first message
    // as a `Failure`), else gives the notices as warnings.
    template <typename Failure> void Finish() const
    {
        RaiseStop();
        if (!m_strMessage.empty())
            throw Failure(m_strMessage);
        WarnNotices();
    }

private:
    void Report();
    void RaiseStop() const;
    void WarnNotices() const;

    py::object m_progress;
    std::string m_strStatus;
    int m_nRange = 0;
    int m_nDone = 0;
    std::string m_strMessage;
    std::vector<std::string> m_notices;
    mutable std::optional<py::error_already_set> m_error;
    mutable std::chrono::steady_clock::time_point m_lastSignalCheck;
};

// A Python warning of the category, attributed to the caller of the module's
// function; raises when warnings are errors.
void Warn(PyObject* category, const std::string& text);

// Runs job() without the GIL, then finishes the host (which raises what
// stopped the job); the job's result.
template <typename Failure, typename Job> auto RunWithoutGil(CPythonHost& host, Job job)
{
    std::optional<decltype(job())> result;
    {
        py::gil_scoped_release release;
        result.emplace(job());
    }
    host.Finish<Failure>();
    return std::move(*result);
}
