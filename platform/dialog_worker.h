// CDialogWorker: the thread a dialog runs its long commands on, one at a time, reporting back on the dialog's thread.
#pragma once

#include "platform/dialog_stage_host.h"

#include <QObject>
#include <QString>

#include <functional>
#include <thread>

// A command runs on the worker while the dialog keeps painting; what it
// reports through the host reaches the dialog in order. A message makes the
// worker wait until the dialog has shown it, as a modal message box would.
// Ending the dialog cancels the command; the worker is waited for before
// the dialog's state goes.
class CDialogWorker {
public:
    using TShowMessage = std::function<void(const QString& text)>;

    // `dialog` receives the host's reports and the end of each command;
    // `showMessage` shows a message the worker waits on (not called once the
    // command is cancelled).
    CDialogWorker(QObject& dialog, CDialogStageHost& host, TShowMessage showMessage);
    ~CDialogWorker();
    CDialogWorker(const CDialogWorker&) = delete;
    CDialogWorker& operator=(const CDialogWorker&) = delete;

    bool IsRunning() const { return m_thread.joinable(); }
    // Runs `command` on the worker with the host's cancellation cleared;
    // `finished` runs on the dialog's thread once the worker has ended.
    // Does nothing while a command runs.
    void Start(std::function<void()> command, std::function<void()> finished);
    // Makes the running command stop at its next row.
    void Cancel();

private:
    QObject& m_dialog;
    CDialogStageHost& m_host;
    std::thread m_thread;
};
