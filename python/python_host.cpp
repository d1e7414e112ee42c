// CPythonHost: progress callbacks and signal checks with the GIL taken back for each.
#include "python/python_host.h"

namespace {

// Ctrl+C is seen within this long of a row, or at the row's end when a row takes longer.
constexpr auto kSignalInterval = std::chrono::milliseconds(5);

} // namespace

CPythonHost::CPythonHost(py::object progress)
    : m_progress(std::move(progress))
    , m_lastSignalCheck(std::chrono::steady_clock::now())
{ }

void CPythonHost::ShowMessage(const std::string& text)
{
    if (m_strMessage.empty())
        m_strMessage = text;
}

void CPythonHost::SetProgressRange(int nRows)
{
    m_nRange = nRows;
    m_nDone = 0;
    if (nRows > 0)
        Report();
}

void CPythonHost::StepProgress()
{
    ++m_nDone;
    Report();
}

void CPythonHost::Report()
{
    if (m_progress.is_none() || m_error)
        return;
    py::gil_scoped_acquire acquire;
    try {
        m_progress(m_strStatus, m_nDone, m_nRange);
    } catch (py::error_already_set& error) {
        m_error.emplace(std::move(error));
    }
}

bool CPythonHost::IsCancelled() const
{
    if (m_error)
        return true;
    const auto now = std::chrono::steady_clock::now();
    if (now - m_lastSignalCheck < kSignalInterval)
        return false;
    m_lastSignalCheck = now;
    py::gil_scoped_acquire acquire;
    if (PyErr_CheckSignals() != 0)
        m_error.emplace();
    return m_error.has_value();
}

void CPythonHost::RaiseStop() const
{
    if (m_error) {
        py::error_already_set error = std::move(*m_error);
        m_error.reset();
        throw error;
    }
}

void CPythonHost::WarnNotices() const
{
    for (const std::string& notice : m_notices)
        Warn(PyExc_UserWarning, notice);
}

void Warn(PyObject* category, const std::string& text)
{
    if (PyErr_WarnEx(category, text.c_str(), 2) != 0)
        throw py::error_already_set();
}
