// CSmoothingDlg: the "Segmentation Smoothing" dialog that makes outline images and smooths depth maps along them.
#pragma once

#include "platform/dialog_stage_host.h"
#include "platform/dialog_worker.h"
#include "platform/platform.h"
#include "platform/template_dialog.h"
#include "smoothing/smoothing_commands.h"

#include <functional>
#include <optional>

class CDigitEdit;
class QSlider;

// Reads the main dialog's image pair, output format and "Preview images"
// when a command starts and never writes to it. Each command runs on a
// worker thread, so the dialog keeps painting through a long smoothing;
// while one runs the other commands wait for it, and ending the dialog stops
// it at its next row.
class CSmoothingDlg : public CTemplateDialog {
    Q_OBJECT

public:
    explicit CSmoothingDlg(QWidget* pParent = nullptr);

    bool IsCommandRunning() const { return m_worker.IsRunning(); }
    // What the commands keep (level, degree, failure flag, names); the
    // worker writes it, so it is read only while no command runs.
    const CSmoothingCommands& Commands() const { return m_commands; }

    // However the dialog ends (Close, Escape, the close box), a running
    // command is cancelled and the wait cursor goes.
    void done(int nResult) override;

protected:
    // Both edit boxes take digits only.
    QWidget* CreateControl(const SControlTemplate& control) override;
    void OnInitDialog() override;

private:
    using TCommand = std::function<SCommandOutcome(CSmoothingCommands&, const SSmoothingInputs&)>;

    void DoDataExchange();
    void InitLevelTrackbar();
    void ConnectCommands();
    void OnHScroll();
    void OnCreateOutlineImages();
    void OnSmoothLeft();
    void OnSmoothRight();
    void StartSmoothing(bool bRight);
    void StartCommand(TCommand command);
    void RunCommandOnWorker(const TCommand& command, const SSmoothingInputs& inputs);
    void OnCommandFinished();
    void ShowStageMessage(const QString& text);
    void UpdateActions();

    QSlider* m_sliderLevel = nullptr;
    CDigitEdit* m_editLevel = nullptr;
    CDigitEdit* m_editDegree = nullptr;

    CDialogStageHost m_host;
    CSmoothingCommands m_commands{m_host};
    SCommandOutcome m_outcome; // of the last command; written by the worker
    std::optional<CWaitCursor> m_waitCursor;
    bool m_bEnding = false;
    CDialogWorker m_worker{*this, m_host, [this](const QString& text) { ShowStageMessage(text); }};
};
