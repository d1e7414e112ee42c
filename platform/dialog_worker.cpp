// CDialogWorker: start, queued end and join of a dialog's worker thread, and the messages it waits on.
#include "platform/dialog_worker.h"

CDialogWorker::CDialogWorker(QObject& dialog, CDialogStageHost& host, TShowMessage showMessage)
    : m_dialog(dialog)
    , m_host(host)
{
    QObject::connect(&host, &CDialogStageHost::messageRequested, &dialog,
                     [this, show = std::move(showMessage)](const QString& text) {
                         if (!m_host.IsCancelled())
                             show(text);
                         m_host.MessageShown();
                     });
}

CDialogWorker::~CDialogWorker()
{
    if (IsRunning()) {
        m_host.Cancel();
        m_thread.join();
    }
}

void CDialogWorker::Start(std::function<void()> command, std::function<void()> finished)
{
    if (IsRunning())
        return;
    m_host.Reset();
    m_thread = std::thread([this, command = std::move(command), finished = std::move(finished)] {
        command();
        QMetaObject::invokeMethod(
            &m_dialog,
            [this, finished] {
                if (m_thread.joinable())
                    m_thread.join();
                finished();
            },
            Qt::QueuedConnection);
    });
}

void CDialogWorker::Cancel()
{
    if (IsRunning())
        m_host.Cancel();
}
