// CDialogStageHost: carries a worker thread's stage reports to the dialog's thread.
#pragma once

#include "engine/base/stage_host.h"

#include <QObject>
#include <QString>

#include <atomic>
#include <condition_variable>
#include <mutex>

// The job runs on a worker thread; everything it reports becomes a signal
// that the dialog receives on its own thread, in the order it was made.
// Status and progress are posted and the worker goes on; a message makes
// the worker wait until the dialog has shown it (or the job is cancelled),
// as a modal message box would. Reports made on the dialog's own thread are
// delivered at once.
class CDialogStageHost : public QObject, public CStageHost {
    Q_OBJECT

public:
    using QObject::QObject;

    void ShowMessage(const std::string& text) override;
    void SetStatus(const std::string& text) override;
    // A notice goes to the status line, like a status text.
    void ShowNotice(const std::string& text) override { SetStatus(text); }
    void SetProgressRange(int nRows) override;
    void StepProgress() override;
    void ResetProgress() override;
    bool IsCancelled() const override { return m_bCancelled.load(); }

    // Before a job: not cancelled.
    void Reset();
    // Makes the running stage stop at its next row; a worker waiting for a
    // message to be shown goes on at once, and later messages are dropped.
    void Cancel();
    // Called by the dialog once it has shown a requested message.
    void MessageShown();

signals:
    void messageRequested(const QString& text);
    void statusChanged(const QString& text);
    void progressRangeSet(int nRows);
    void progressStepped();
    void progressReset();

private:
    std::atomic<bool> m_bCancelled{false};
    std::mutex m_mutex;
    std::condition_variable m_shown;
    bool m_bShown = false;
};
