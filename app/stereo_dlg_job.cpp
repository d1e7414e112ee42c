// CStereoDlg: the two Create commands, run on a worker thread that reports back to the dialog.
#include "app/stereo_dlg.h"

#include "platform/platform.h"
#include "preview/preview_dlg.h"

#include <QLabel>
#include <QProgressBar>

#include <algorithm>
#include <exception>

void CStereoDlg::ConnectHost()
{
    connect(&m_host, &CDialogStageHost::statusChanged, m_staticStatus, &QLabel::setText);
    connect(&m_host, &CDialogStageHost::progressRangeSet, this,
            [this](int nRows) { m_progress->setRange(0, nRows); }); // 0: a busy bar
    connect(&m_host, &CDialogStageHost::progressStepped, this, [this] { StepProgress(); });
    connect(&m_host, &CDialogStageHost::progressReset, this, [this] { m_progress->setValue(0); });
}

// One step; past the end the bar starts over, as a stepped progress bar does.
void CStereoDlg::StepProgress()
{
    const int nNext = m_progress->value() + 1;
    m_progress->setValue(nNext > m_progress->maximum() ? m_progress->minimum() : nNext);
}

void CStereoDlg::OnCreateLeftDepthMap()
{
    StartJob(false);
}

void CStereoDlg::OnCreateRightDepthMap()
{
    StartJob(true);
}

void CStereoDlg::StartJob(bool bRightMap)
{
    if (IsJobRunning())
        return;
    ReadSettings();
    m_worker.Start([this, bRightMap] { RunJobOnWorker(bRightMap); }, [this] { OnJobFinished(); });
    UpdateActions();
}

void CStereoDlg::RunJobOnWorker(bool bRightMap)
{
    try {
        m_job.RunJob(bRightMap);
    } catch (const std::exception& error) {
        m_host.ShowMessage(std::string("The depth map could not be made: ") + error.what());
        m_host.SetStatus(kStatusReady);
    }
}

// After every job, also a failed one, the preview shows the depth map made
// last (or reports that there is none yet).
void CStereoDlg::OnJobFinished()
{
    UpdateActions();
    if (!m_bEnding && m_job.m_bPreview)
        ShowPreview(m_job.m_strDepthMapPath);
}
