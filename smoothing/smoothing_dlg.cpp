// CSmoothingDlg: the "Segmentation Smoothing" dialog that makes outline images and smooths depth maps along them.
#include "smoothing/smoothing_dlg.h"

#include "app/stereo_dlg.h"
#include "engine/base/numeric.h"
#include "platform/digit_edit.h"
#include "preview/preview_dlg.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

#include <QApplication>
#include <QSignalBlocker>
#include <QSlider>

#include <exception>

namespace {

// The main dialog's side as it stands now; nothing chosen when there is none.
SSmoothingInputs MainDialogInputs()
{
    return g_pMainDlg != nullptr ? SmoothingInputsOf(g_pMainDlg->m_job) : SSmoothingInputs{};
}

int ReadEdit(const QLineEdit& edit)
{
    return TextToInt(edit.text().toStdString());
}

} // namespace

CSmoothingDlg::CSmoothingDlg(QWidget* pParent)
    : CTemplateDialog(SmoothingDialogTemplate(), pParent)
{ }

QWidget* CSmoothingDlg::CreateControl(const SControlTemplate& control)
{
    if (control.nId == IDC_OUTLINE_LEVEL_EDIT || control.nId == IDC_SMOOTHING_DEGREE_EDIT) {
        auto* pEdit = new CDigitEdit(this);
        pEdit->setEnabled((control.style & kStyleDisabled) == 0);
        return pEdit;
    }
    return CTemplateDialog::CreateControl(control);
}

void CSmoothingDlg::DoDataExchange()
{
    m_editLevel = GetItem<CDigitEdit>(IDC_OUTLINE_LEVEL_EDIT);
    m_sliderLevel = GetItem<QSlider>(IDC_OUTLINE_LEVEL_SLIDER);
    m_editDegree = GetItem<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT);
}

void CSmoothingDlg::OnInitDialog()
{
    DoDataExchange();
    m_editDegree->setText(QStringLiteral("5"));
    m_editLevel->setText(QStringLiteral("50"));
    InitLevelTrackbar();
    ConnectCommands();
    // The first tab stop, "Close", has the focus when the dialog opens.
    GetDlgItem(IDOK)->setFocus();
}

// 0..256 (257 positions) at 50, with the trackbar's own line and page sizes.
void CSmoothingDlg::InitLevelTrackbar()
{
    const QSignalBlocker blocker(m_sliderLevel);
    m_sliderLevel->setRange(0, 256);
    m_sliderLevel->setSingleStep(1);
    m_sliderLevel->setPageStep(256 / 5);
    m_sliderLevel->setValue(50);
}

void CSmoothingDlg::ConnectCommands()
{
    OnClicked(IDC_CREATE_OUTLINES, [this] { OnCreateOutlineImages(); });
    OnClicked(IDC_SMOOTH_LEFT, [this] { OnSmoothLeft(); });
    OnClicked(IDC_SMOOTH_RIGHT, [this] { OnSmoothRight(); });
    connect(m_sliderLevel, &QSlider::valueChanged, this, [this] { OnHScroll(); });
}

// The level box is the value store: the command reads the level from it.
void CSmoothingDlg::OnHScroll()
{
    m_editLevel->setText(QString::number(m_sliderLevel->value()));
}

void CSmoothingDlg::OnCreateOutlineImages()
{
    const int nLevel = ReadEdit(*m_editLevel);
    StartCommand([nLevel](CSmoothingCommands& commands, const SSmoothingInputs& inputs) {
        commands.m_nLevel = nLevel;
        return commands.CreateOutlineImages(inputs);
    });
}

void CSmoothingDlg::OnSmoothLeft()
{
    StartSmoothing(false);
}

void CSmoothingDlg::OnSmoothRight()
{
    StartSmoothing(true);
}

void CSmoothingDlg::StartSmoothing(bool bRight)
{
    const int nDegree = ReadEdit(*m_editDegree);
    StartCommand([nDegree, bRight](CSmoothingCommands& commands, const SSmoothingInputs& inputs) {
        commands.m_nDegree = nDegree;
        return bRight ? commands.SmoothRight(inputs) : commands.SmoothLeft(inputs);
    });
}

// The inputs are taken here, on the dialog's thread, and handed to the
// worker as a copy; the command's own state is set on the worker.
void CSmoothingDlg::StartCommand(TCommand command)
{
    if (IsCommandRunning() || m_bEnding)
        return;
    const SSmoothingInputs inputs = MainDialogInputs();
    m_waitCursor.emplace();
    m_worker.Start([this, command = std::move(command), inputs] { RunCommandOnWorker(command, inputs); },
                   [this] { OnCommandFinished(); });
    UpdateActions();
}

// A failure the stages did not foresee is reported, and the dialog stays.
void CSmoothingDlg::RunCommandOnWorker(const TCommand& command, const SSmoothingInputs& inputs)
{
    try {
        m_outcome = command(m_commands, inputs);
    } catch (const std::exception& error) {
        m_outcome = {};
        m_host.ShowMessage(std::string("The command could not be completed: ") + error.what());
    } catch (...) {
        m_outcome = {};
        m_host.ShowMessage("The command could not be completed.");
    }
}

// The preview is a window of its own to look at, so the wait cursor goes first.
void CSmoothingDlg::OnCommandFinished()
{
    m_waitCursor.reset();
    UpdateActions();
    if (!m_bEnding && !m_outcome.strPreviewPath.empty())
        ShowPreview(m_outcome.strPreviewPath);
}

// A message wants a click, so the pointer is an arrow over it.
void CSmoothingDlg::ShowStageMessage(const QString& text)
{
    QApplication::setOverrideCursor(Qt::ArrowCursor);
    ShowMessageBox(text.toStdString());
    QApplication::restoreOverrideCursor();
}

// The one place that holds the commands off while one runs.
void CSmoothingDlg::UpdateActions()
{
    EnableCommands({IDC_CREATE_OUTLINES, IDC_SMOOTH_LEFT, IDC_SMOOTH_RIGHT}, !IsCommandRunning());
}

void CSmoothingDlg::done(int nResult)
{
    m_bEnding = true;
    m_worker.Cancel();
    m_waitCursor.reset();
    CTemplateDialog::done(nResult);
}
