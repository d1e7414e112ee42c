// CDialogStageHost: carries a worker thread's stage reports to the dialog's thread.
#include "platform/dialog_stage_host.h"

void CDialogStageHost::ShowMessage(const std::string& text)
{
    std::unique_lock lock(m_mutex);
    if (m_bCancelled)
        return;
    m_bShown = false;
    lock.unlock();
    emit messageRequested(QString::fromStdString(text));
    lock.lock();
    m_shown.wait(lock, [this] { return m_bShown || m_bCancelled; });
}

void CDialogStageHost::MessageShown()
{
    {
        std::lock_guard lock(m_mutex);
        m_bShown = true;
    }
    m_shown.notify_all();
}

void CDialogStageHost::Reset()
{
    std::lock_guard lock(m_mutex);
    m_bCancelled = false;
}

void CDialogStageHost::Cancel()
{
    {
        std::lock_guard lock(m_mutex);
        m_bCancelled = true;
    }
    m_shown.notify_all();
}

void CDialogStageHost::SetStatus(const std::string& text)
{
    emit statusChanged(QString::fromStdString(text));
}

void CDialogStageHost::SetProgressRange(int nRows)
{
    emit progressRangeSet(nRows);
}

void CDialogStageHost::StepProgress()
{
    emit progressStepped();
}

void CDialogStageHost::ResetProgress()
{
    emit progressReset();
}
