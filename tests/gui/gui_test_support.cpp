// Helpers of the GUI tests: a recording platform, waiting for the event loop, a main dialog whose modal dialogs close
// as they open, and the enabled states of a dialog's controls.
#include "gui/gui_test_support.h"

#include "preview/preview_dlg.h"
#include "resources/dialog_template.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>

bool WaitUntil(const std::function<bool()>& done, int nTimeoutMs)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > nTimeoutMs)
            return false;
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
    return true;
}

MainDialogTest::MainDialogTest()
{
    m_modalCloser.setInterval(5);
    QObject::connect(&m_modalCloser, &QTimer::timeout, [this] {
        QWidget* pModal = QApplication::activeModalWidget();
        if (pModal == nullptr || !pModal->isVisible())
            return;
        auto* pPreview = qobject_cast<CPreviewDlg*>(pModal);
        m_modals.push_back(
            (pPreview ? pPreview->GetItem<QLabel>(IDC_FILE_NAME)->text() : pModal->windowTitle()).toStdString());
        pModal->close();
    });
    m_modalCloser.start();
    m_pMain->show();
}

void MainDialogTest::OpenPair(int nWidth, int nHeight)
{
    std::mt19937 random(7);
    const CImage left = RandomImage(nWidth, nHeight, random);
    ASSERT_TRUE(SaveImageFile(left, m_folder.File("left.bmp"), kFormatBmp));
    ASSERT_TRUE(SaveImageFile(ShiftedCopy(left, 2, random), m_folder.File("right.bmp"), kFormatBmp));
    m_platform.m_openPaths = {m_folder.File("left.bmp"), m_folder.File("right.bmp")};
    Click(*m_pMain, IDC_OPEN_LEFT);
    Click(*m_pMain, IDC_OPEN_RIGHT);
}

void ExpectEnabled(const CTemplateDialog& dialog, const TEnabledStates& states, bool bBusy)
{
    for (const SControlTemplate& control : dialog.Template().controls)
        EXPECT_TRUE(control.nId == IDC_STATIC || states.count(control.nId) == 1) << control.nId << " is left out";
    for (const auto& [nId, enabled] : states)
        EXPECT_EQ(dialog.GetDlgItem(nId)->isEnabled(), bBusy ? enabled.second : enabled.first)
            << nId << (bBusy ? " while busy" : " when idle");
}
