// Helpers of the GUI tests: a recording platform, waiting for the event loop, a main dialog whose modal dialogs close
// as they open, and the enabled states and trackbars of a dialog's controls.
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

void ExpectEnabled(const CTemplateDialog& dialog, const std::set<int>& heldOff, const std::set<int>& disabled,
                   bool bBusy)
{
    for (const SControlTemplate& control : dialog.Template().controls) {
        const int nId = control.nId;
        const bool bEnabled = !disabled.contains(nId) && !(bBusy && heldOff.contains(nId));
        EXPECT_TRUE(nId == IDC_STATIC || dialog.GetDlgItem(nId)->isEnabled() == bEnabled)
            << nId << (bBusy ? " while busy" : " when idle");
    }
}

void ExpectTrackbar(const CTemplateDialog& dialog, int nSlider, int nEdit, const std::array<int, 4>& setup, int nFactor,
                    QSlider::TickPosition ticks)
{
    QSlider& slider = *dialog.GetItem<QSlider>(nSlider);
    EXPECT_EQ(std::tuple(std::array{slider.minimum(), slider.maximum(), slider.pageStep(), slider.value()},
                         slider.singleStep(), slider.tickPosition()),
              std::tuple(setup, 1, ticks))
        << nSlider;
    for (const int nPosition : {setup[3], setup[1], setup[0]}) {
        slider.setValue(nPosition);
        EXPECT_EQ(Text(dialog, nEdit), QString::number(nFactor * nPosition)) << nSlider << " at " << nPosition;
    }
}
