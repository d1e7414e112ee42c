// CStereoDlg: construction, initialisation, the window-level commands and holding commands off during a job.
#include "app/stereo_dlg.h"

#include "about/about_dlg.h"
#include "platform/digit_edit.h"
#include "platform/platform.h"
#include "preview/preview_pane.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"
#include "resources/string_table.h"
#include "smoothing/smoothing_dlg.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QMenu>
#include <QProgressBar>
#include <QRadioButton>
#include <QShortcut>
#include <QSlider>
#include <QUrl>

CStereoDlg* g_pMainDlg = nullptr;
CPreviewPane g_wndLeftThumb;
CPreviewPane g_wndRightThumb;

CStereoDlg::CStereoDlg(QWidget* pParent)
    : CTemplateDialog(StereoDialogTemplate(), pParent)
    , m_icon(QStringLiteral(":/resources/tessaly.png"))
{
    setAcceptDrops(true);
}

CStereoDlg::~CStereoDlg()
{
    if (g_pMainDlg == this)
        g_pMainDlg = nullptr;
}

QWidget* CStereoDlg::CreateControl(const SControlTemplate& control)
{
    if (control.nId == IDC_FRAGMENT_EDIT || control.nId == IDC_PARALLAX_X_EDIT) {
        auto* pEdit = new CDigitEdit(this);
        pEdit->setEnabled((control.style & kStyleDisabled) == 0);
        return pEdit;
    }
    return CTemplateDialog::CreateControl(control);
}

void CStereoDlg::DoDataExchange()
{
    m_sliderSpeed = GetItem<QSlider>(IDC_SPEED_SLIDER);
    m_editSpeed = GetItem<QLineEdit>(IDC_SPEED_EDIT);
    m_btnSourceMode = GetItem<QRadioButton>(IDC_SOURCE_MODE);
    m_staticStatus = GetItem<QLabel>(IDC_STATUS);
    m_editParallaxY = GetItem<QLineEdit>(IDC_PARALLAX_Y_EDIT);
    m_sliderParallaxY = GetItem<QSlider>(IDC_PARALLAX_Y_SLIDER);
    m_btnPreview = GetItem<QCheckBox>(IDC_PREVIEW_CHECK);
    m_sliderParallaxX = GetItem<QSlider>(IDC_PARALLAX_X_SLIDER);
    m_sliderFragment = GetItem<QSlider>(IDC_FRAGMENT_SLIDER);
    m_editFragment = GetItem<CDigitEdit>(IDC_FRAGMENT_EDIT);
    m_editParallaxX = GetItem<CDigitEdit>(IDC_PARALLAX_X_EDIT);
    m_progress = GetItem<QProgressBar>(IDC_PROGRESS);
    m_comboFormat = GetItem<QComboBox>(IDC_SAVE_FORMAT);
}

void CStereoDlg::OnInitDialog()
{
    DoDataExchange();
    CreateSystemMenu();
    setWindowIcon(m_icon);
    InitSettings();
    g_pMainDlg = this;
    g_wndLeftThumb.Create(this, GetItemRect(IDC_LEFT_FRAME), IDC_LEFT_THUMB);
    g_wndRightThumb.Create(this, GetItemRect(IDC_RIGHT_FRAME), IDC_RIGHT_THUMB);
    ConnectCommands();
    ConnectHost();
}

// Desktops without a system menu on dialogs get its extra command from the
// dialog's context menu.
void CStereoDlg::CreateSystemMenu()
{
    const QString aboutText = QString::fromUtf8(LoadResourceString(IDS_ABOUTBOX));
    if (aboutText.isEmpty())
        return;
    m_pSystemMenu = new QMenu(this);
    m_pSystemMenu->addAction(aboutText, this, [this] { OnSysCommand(IDM_ABOUTBOX); });
}

void CStereoDlg::contextMenuEvent(QContextMenuEvent* pEvent)
{
    if (m_pSystemMenu != nullptr)
        m_pSystemMenu->exec(pEvent->globalPos());
}

void CStereoDlg::OnSysCommand(int nId)
{
    if ((nId & 0xFFF0) == IDM_ABOUTBOX)
        OnAbout();
}

void CStereoDlg::ConnectCommands()
{
    OnClicked(IDC_OPEN_LEFT, [this] { OnOpenLeft(); });
    OnClicked(IDC_OPEN_RIGHT, [this] { OnOpenRight(); });
    OnClicked(IDC_CREATE_LEFT, [this] { OnCreateLeftDepthMap(); });
    OnClicked(IDC_CREATE_RIGHT, [this] { OnCreateRightDepthMap(); });
    OnClicked(IDC_HELP_BUTTON, [this] { OnHelpButton(); });
    OnClicked(IDC_ABOUT_BUTTON, [this] { OnAbout(); });
    OnClicked(IDC_SMOOTHING, [this] { OnSmoothing(); });
    OnClicked(IDC_PREVIEW_CHECK, [this] { OnPreviewChanged(); });
    OnClicked(IDC_SOURCE_MODE, [this] { OnSourceMode(); });
    OnClicked(IDC_GRADIENT_MODE, [this] { OnGradientMode(); });
    connect(m_comboFormat, &QComboBox::activated, this, [this](int nIndex) { OnSaveFormatChanged(nIndex); });
    for (QSlider* pSlider : {m_sliderFragment, m_sliderParallaxX, m_sliderParallaxY, m_sliderSpeed})
        connect(pSlider, &QSlider::valueChanged, this, [this, pSlider] { OnHScroll(pSlider); });
    // The standard help key opens the same page as the Help button.
    connect(new QShortcut(QKeySequence::HelpContents, this), &QShortcut::activated, this, [this] { OnHelpButton(); });
}

// The one place that decides which commands a running job holds off: those
// that change the pair, the settings or the format, or start another job.
void CStereoDlg::UpdateActions()
{
    EnableCommands({IDC_OPEN_LEFT, IDC_OPEN_RIGHT, IDC_CREATE_LEFT, IDC_CREATE_RIGHT, IDC_SMOOTHING, IDC_SAVE_FORMAT,
                    IDC_FRAGMENT_SLIDER, IDC_PARALLAX_X_SLIDER, IDC_PARALLAX_Y_SLIDER, IDC_SPEED_SLIDER,
                    IDC_SOURCE_MODE, IDC_GRADIENT_MODE},
                   !IsJobRunning());
}

// Installed, the page is in share/tessaly/help beside bin/; in the build
// tree, in help/ beside the executable.
void CStereoDlg::OnHelpButton()
{
    const QString dir = QCoreApplication::applicationDirPath();
    const QString installed = QDir::cleanPath(dir + QStringLiteral("/../share/tessaly/help/map-help.htm"));
    const QString path = QFileInfo::exists(installed) ? installed : dir + QStringLiteral("/help/map-help.htm");
    if (!CPlatform::Current().OpenDocument(QUrl::fromLocalFile(path)))
        ShowMessageBox("Couldn't launch browser!");
}

void CStereoDlg::OnAbout()
{
    CAboutDlg dialog(this);
    dialog.DoModal();
}

void CStereoDlg::OnSmoothing()
{
    CSmoothingDlg dialog;
    dialog.DoModal();
}

// Ending the dialog stops a running job at its next row; the destructor
// waits for the worker, and every file the job writes appears whole or not
// at all.
void CStereoDlg::PrepareToEnd()
{
    m_bEnding = true;
    m_worker.Cancel();
}

void CStereoDlg::OnOK()
{
    PrepareToEnd();
    accept();
}

void CStereoDlg::closeEvent(QCloseEvent* pEvent)
{
    PrepareToEnd();
    CTemplateDialog::closeEvent(pEvent);
}
