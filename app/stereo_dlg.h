// CStereoDlg: the main dialog, owner of the image pair, the settings and the depth-map job.
#pragma once

#include "engine/job/depth_map_job.h"
#include "platform/dialog_stage_host.h"
#include "platform/dialog_worker.h"
#include "platform/platform.h"
#include "platform/template_dialog.h"

#include <QIcon>

#include <string>
#include <vector>

class CDigitEdit;
class CPreviewPane;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QMenu;
class QProgressBar;
class QRadioButton;
class QSlider;

// The program's only main window. The job state (the image pair and its
// bases, the settings, the derived names and the result of the last job)
// lives in m_job, which the dialog fills in; the job itself runs on a worker
// thread so that the window keeps painting. While it runs, the commands
// that would change its state or start another job are disabled.
class CStereoDlg : public CTemplateDialog {
    Q_OBJECT

public:
    explicit CStereoDlg(QWidget* pParent = nullptr);
    ~CStereoDlg() override;

    // Whether `path` holds a 24-bit colour image; says why when it cannot load it.
    bool IsRgbImage(const std::string& path);
    // Opens files given at once (the command line, a drop) as the Open
    // buttons do: two images as the left and the right one, a stereo file
    // split into both, one image on the right side with bRight, else the
    // left. Any other set is refused with kOpenableFilesMessage; while a job
    // runs, nothing opens.
    void OpenFiles(const std::vector<std::string>& paths, bool bRight = false);
    // Whether OpenFiles takes `paths`; no file at all is nothing to refuse.
    static bool IsOpenableSet(const std::vector<std::string>& paths);
    bool IsJobRunning() const { return m_worker.IsRunning(); }
    // The system menu's commands (offered as the dialog's context menu).
    void OnSysCommand(int nId);
    QMenu* SystemMenu() const { return m_pSystemMenu; }

    CDialogStageHost m_host;
    CDepthMapJob m_job{m_host};
    QIcon m_icon;

protected:
    // The two edit boxes of fragment size and horizontal parallax take digits only.
    QWidget* CreateControl(const SControlTemplate& control) override;
    void OnInitDialog() override;
    // Enter (away from a push button) ends the dialog, and with it the program.
    void OnOK() override;
    // Escape does nothing.
    void OnCancel() override { }
    void closeEvent(QCloseEvent* pEvent) override;
    void contextMenuEvent(QContextMenuEvent* pEvent) override;
    // Local files dropped anywhere open as OpenFiles does, one image on the
    // side of the dialog's half it is dropped on; refused while a job runs.
    void dragEnterEvent(QDragEnterEvent* pEvent) override;
    void dropEvent(QDropEvent* pEvent) override;

private:
    // Setup (stereo_dlg.cpp).
    void DoDataExchange();
    void CreateSystemMenu();
    void ConnectCommands();
    void UpdateActions();
    void PrepareToEnd();
    void OnHelpButton();
    void OnAbout();
    void OnSmoothing();

    // Settings (stereo_dlg_settings.cpp).
    void InitSettings();
    void OnHScroll(QSlider* pSlider);
    void OnSourceMode();
    void OnGradientMode();
    void OnPreviewChanged();
    void OnSaveFormatChanged(int nIndex);
    void ReadSettings();

    // Image pair (stereo_dlg_pair.cpp).
    void OnOpenLeft();
    void OnOpenRight();
    void OpenImage(bool bRight);
    void OpenStereoFile(const std::string& path);
    bool SetSide(bool bRight, const std::string& path);

    // The job (stereo_dlg_job.cpp).
    void ConnectHost();
    void OnCreateLeftDepthMap();
    void OnCreateRightDepthMap();
    void StartJob(bool bRightMap);
    void RunJobOnWorker(bool bRightMap);
    void OnJobFinished();
    void StepProgress();

    QSlider* m_sliderFragment = nullptr;
    QSlider* m_sliderParallaxX = nullptr;
    QSlider* m_sliderParallaxY = nullptr;
    QSlider* m_sliderSpeed = nullptr;
    CDigitEdit* m_editFragment = nullptr;
    CDigitEdit* m_editParallaxX = nullptr;
    QLineEdit* m_editParallaxY = nullptr;
    QLineEdit* m_editSpeed = nullptr;
    QRadioButton* m_btnSourceMode = nullptr;
    QCheckBox* m_btnPreview = nullptr;
    QLabel* m_staticStatus = nullptr;
    QProgressBar* m_progress = nullptr;
    QComboBox* m_comboFormat = nullptr;
    QMenu* m_pSystemMenu = nullptr;

    CDialogWorker m_worker{*this, m_host, [](const QString& text) { ShowMessageBox(text.toStdString()); }};
    bool m_bEnding = false;
};

// What OpenFiles opens, said when it is given anything else.
inline constexpr const char* kOpenableFilesMessage
    = "Tessaly opens one or two images (the left, then the right) or one stereo file (.mpo, .jps).";

// The running main dialog, for the dialogs it opens; null when there is none.
extern CStereoDlg* g_pMainDlg;
// The thumbnails of the left and the right image.
extern CPreviewPane g_wndLeftThumb;
extern CPreviewPane g_wndRightThumb;
