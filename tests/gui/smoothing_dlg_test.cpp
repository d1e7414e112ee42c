// The Segmentation Smoothing dialog: start state, level and degree boxes, Enter, its commands with their previews and
// failures, holding commands off and ending the dialog during a command.
#include "app/stereo_dlg.h"
#include "engine/image_file.h"
#include "gui/gui_test_support.h"
#include "platform/digit_edit.h"
#include "preview/preview_dlg.h"
#include "preview/preview_pane.h"
#include "resources/resource_ids.h"
#include "smoothing/segment_smoothing.h"
#include "smoothing/smoothing_dlg.h"
#include "support/test_images.h"

#include <QApplication>
#include <QLabel>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <filesystem>
#include <memory>
#include <random>

namespace {

using TTexts = std::vector<std::string>;

struct SModalSeen {
    std::string title;
    std::string fileName; // of a preview
    bool bHasImage = false;
};

// A main dialog that owns the pair, and the smoothing dialog open beside it.
class SmoothingDlgTest : public testing::Test {
protected:
    SmoothingDlgTest()
        : m_closer([this](QWidget& modal) {
            SModalSeen seen;
            seen.title = modal.windowTitle().toStdString();
            if (auto* pPreview = qobject_cast<CPreviewDlg*>(&modal)) {
                seen.fileName = pPreview->GetItem<QLabel>(IDC_FILE_NAME)->text().toStdString();
                seen.bHasImage = g_wndPreviewPane.HasImage();
            }
            m_modals.push_back(seen);
        })
    {
        m_main.show();
        m_pDialog = std::make_unique<CSmoothingDlg>();
        m_pDialog->show();
    }

    template <class T> T& Item(int nId) { return *m_pDialog->GetItem<T>(nId); }
    bool IsEnabled(int nId) { return m_pDialog->GetDlgItem(nId)->isEnabled(); }
    // Runs a command and waits until it and its preview are over.
    void Run(int nId)
    {
        Item<QPushButton>(nId).click();
        ASSERT_TRUE(WaitUntil([this] { return !m_pDialog->IsCommandRunning(); }));
    }
    void OpenPair(int nWidth = 12, int nHeight = 9)
    {
        WriteImage(RandomImage(nWidth, nHeight, m_random), m_folder.File("left.bmp"));
        WriteImage(RandomImage(nWidth, nHeight, m_random), m_folder.File("right.bmp"));
        m_platform.m_openPaths = {m_folder.File("left.bmp"), m_folder.File("right.bmp")};
        m_main.GetItem<QPushButton>(IDC_OPEN_LEFT)->click();
        m_main.GetItem<QPushButton>(IDC_OPEN_RIGHT)->click();
    }
    CImage Load(const std::string& name) { return LoadImageFile(m_folder.File(name)).image; }
    void TypeDegree(const char* keys)
    {
        CDigitEdit& degree = Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT);
        degree.setFocus();
        degree.selectAll();
        QTest::keyClicks(&degree, keys);
    }

    CRecordingPlatform m_platform;
    CTempFolder m_folder;
    std::mt19937 m_random{11};
    std::vector<SModalSeen> m_modals;
    CModalCloser m_closer;
    CStereoDlg m_main;
    std::unique_ptr<CSmoothingDlg> m_pDialog;
};

} // namespace

TEST_F(SmoothingDlgTest, OpensAtLevel50AndDegree5WithTheFocusOnClose)
{
    EXPECT_EQ(m_pDialog->windowTitle(), "Segmentation Smoothing");
    EXPECT_EQ(Item<CDigitEdit>(IDC_OUTLINE_LEVEL_EDIT).text(), "50");
    EXPECT_FALSE(IsEnabled(IDC_OUTLINE_LEVEL_EDIT));
    EXPECT_EQ(Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT).text(), "5");
    EXPECT_TRUE(IsEnabled(IDC_SMOOTHING_DEGREE_EDIT));
    QSlider& level = Item<QSlider>(IDC_OUTLINE_LEVEL_SLIDER);
    EXPECT_EQ(level.minimum(), 0);
    EXPECT_EQ(level.maximum(), 256);
    EXPECT_EQ(level.value(), 50);
    EXPECT_EQ(level.tickPosition(), QSlider::NoTicks);
    for (int nId : {IDOK, IDC_CREATE_OUTLINES, IDC_SMOOTH_LEFT, IDC_SMOOTH_RIGHT})
        EXPECT_TRUE(IsEnabled(nId)) << nId;
    EXPECT_EQ(Item<QPushButton>(IDOK).text(), "Close");
    m_pDialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDialog.get()));
    EXPECT_EQ(m_pDialog->focusWidget(), m_pDialog->GetDlgItem(IDOK));
}

TEST_F(SmoothingDlgTest, TheTrackbarWritesTheLevelBox)
{
    QSlider& level = Item<QSlider>(IDC_OUTLINE_LEVEL_SLIDER);
    level.setValue(256);
    EXPECT_EQ(Item<CDigitEdit>(IDC_OUTLINE_LEVEL_EDIT).text(), "256");
    QTest::keyClick(&level, Qt::Key_Home);
    EXPECT_EQ(Item<CDigitEdit>(IDC_OUTLINE_LEVEL_EDIT).text(), "0");
    QTest::keyClick(&level, Qt::Key_PageUp); // a fifth of the range
    EXPECT_EQ(Item<CDigitEdit>(IDC_OUTLINE_LEVEL_EDIT).text(), "51");
}

TEST_F(SmoothingDlgTest, TheDegreeBoxTakesDigitsOnlyAndEnterClosesTheDialog)
{
    m_pDialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDialog.get()));
    TypeDegree("a-1x2 +");
    EXPECT_EQ(Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT).text(), "12");
    QTest::keyClick(&Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT), Qt::Key_Backspace);
    EXPECT_EQ(Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT).text(), "1");
    QTest::keyClick(&Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT), Qt::Key_Return);
    EXPECT_FALSE(m_pDialog->isVisible());
    EXPECT_EQ(m_pDialog->result(), QDialog::Accepted);
    EXPECT_TRUE(m_modals.empty());
}

TEST_F(SmoothingDlgTest, OutlineImagesOfBothSidesAtTheBoxLevelPreviewOnlyTheRightOne)
{
    OpenPair();
    Item<QSlider>(IDC_OUTLINE_LEVEL_SLIDER).setValue(256); // whitens every pixel
    Run(IDC_CREATE_OUTLINES);
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ(m_pDialog->Commands().m_nLevel, 256);
    EXPECT_EQ(m_folder.Files(),
              (TTexts{"left-gradient.bmp", "left-outline.bmp", "left.bmp", "right-gradient.bmp", "right-outline.bmp",
                      "right.bmp"}));
    EXPECT_EQ(Load("left-outline.bmp"), UniformImage(12, 9, 255, 255, 255));
    ASSERT_EQ(m_modals.size(), 1u);
    EXPECT_EQ(m_modals[0].title, "Image Preview");
    EXPECT_EQ(m_modals[0].fileName, m_folder.File("right-outline.bmp"));
    EXPECT_TRUE(m_modals[0].bHasImage);
}

// Nothing chosen: every stage says so, each preview reports its missing
// file, and the dialog takes the next command.
TEST_F(SmoothingDlgTest, WithoutImagesEachCommandReportsAndTheDialogStaysUsable)
{
    Run(IDC_CREATE_OUTLINES);
    const std::string load = "Couldn't load left or right bitmap!";
    EXPECT_EQ(m_platform.m_messages, (TTexts{load, load, load, load, "File -outline.bmp could not be opened."}));
    ASSERT_EQ(m_modals.size(), 1u);
    EXPECT_EQ(m_modals[0].fileName, "-outline.bmp");
    EXPECT_FALSE(m_modals[0].bHasImage);

    m_platform.m_messages.clear();
    Run(IDC_SMOOTH_LEFT);
    EXPECT_EQ(m_platform.m_messages,
              (TTexts{"Couldn't load outline bitmap!", "File -3dmapNew.bmp could not be opened."}));
    ASSERT_EQ(m_modals.size(), 2u);
    EXPECT_EQ(m_modals[1].fileName, "-3dmapNew.bmp");
    for (int nId : {IDC_CREATE_OUTLINES, IDC_SMOOTH_LEFT, IDC_SMOOTH_RIGHT})
        EXPECT_TRUE(IsEnabled(nId)) << nId;
    EXPECT_TRUE(m_folder.Files().empty());
}

TEST_F(SmoothingDlgTest, AMissingDepthMapIsReportedOnceThenItsNewNameIsPreviewed)
{
    OpenPair();
    Run(IDC_CREATE_OUTLINES);
    TypeDegree("7");
    Run(IDC_SMOOTH_LEFT);
    const std::string result = m_folder.File("left-3dmapNew.bmp");
    EXPECT_EQ(m_platform.m_messages,
              (TTexts{"Couldn't load 3dmap bitmap!", "File " + result + " could not be opened."}));
    EXPECT_TRUE(m_pDialog->Commands().m_bFailed);
    ASSERT_EQ(m_modals.size(), 2u);
    EXPECT_EQ(m_modals[1].fileName, result);
    EXPECT_FALSE(m_modals[1].bHasImage);
    EXPECT_FALSE(std::filesystem::exists(result));
}

TEST_F(SmoothingDlgTest, SmoothingRunsTheTypedDegreeOverTheSidesOutlineWithoutPreviewWhenUnchecked)
{
    OpenPair();
    m_main.GetItem<QAbstractButton>(IDC_PREVIEW_CHECK)->click();
    Run(IDC_CREATE_OUTLINES);
    const CImage map = RandomImage(12, 9, m_random);
    WriteImage(map, m_folder.File("right-3dmap.bmp"));
    TypeDegree("12");
    Run(IDC_SMOOTH_RIGHT);
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_TRUE(m_modals.empty());
    EXPECT_EQ(m_pDialog->Commands().m_nDegree, 12);
    CImage expected = map;
    for (int nPass = 0; nPass < 12; ++nPass)
        expected = SmoothDepth(Load("right-outline.bmp"), expected);
    EXPECT_EQ(Load("right-3dmapNew.bmp"), expected);
    EXPECT_EQ(Load("right-3dmap.bmp"), map);
}

// While a command runs: the wait cursor (an arrow over its messages), the
// commands held off, Close still there.
TEST_F(SmoothingDlgTest, ACommandShowsTheWaitCursorAndHoldsTheOthersOff)
{
    std::vector<Qt::CursorShape> cursorsAtMessages; // the pane's message comes after the command
    m_platform.m_onMessage = [&](const std::string&) {
        const QCursor* pCursor = QApplication::overrideCursor();
        cursorsAtMessages.push_back(pCursor != nullptr ? pCursor->shape() : Qt::BitmapCursor);
    };
    Item<QPushButton>(IDC_SMOOTH_RIGHT).click();
    ASSERT_TRUE(m_pDialog->IsCommandRunning());
    ASSERT_NE(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    for (int nId : {IDC_CREATE_OUTLINES, IDC_SMOOTH_LEFT, IDC_SMOOTH_RIGHT})
        EXPECT_FALSE(IsEnabled(nId)) << nId;
    EXPECT_TRUE(IsEnabled(IDOK));
    ASSERT_TRUE(WaitUntil([this] { return !m_pDialog->IsCommandRunning(); }));
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    EXPECT_EQ(cursorsAtMessages, (std::vector<Qt::CursorShape>{Qt::ArrowCursor, Qt::BitmapCursor}));
    EXPECT_TRUE(IsEnabled(IDC_SMOOTH_RIGHT));
}

// A long smoothing leaves the window working; closing it stops the passes
// without a message or a preview and writes no result.
TEST_F(SmoothingDlgTest, ClosingDuringALongSmoothingCancelsIt)
{
    OpenPair(160, 120);
    Run(IDC_CREATE_OUTLINES);
    const CImage map = RandomImage(160, 120, m_random);
    WriteImage(map, m_folder.File("left-3dmap.bmp"));
    TypeDegree("100000");
    Item<QPushButton>(IDC_SMOOTH_LEFT).click();
    const std::string result = m_folder.File("left-3dmapNew.bmp");
    QTest::qWait(200); // events flow meanwhile
    EXPECT_TRUE(m_pDialog->IsCommandRunning());
    m_pDialog->close();
    EXPECT_FALSE(m_pDialog->isVisible());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
    m_pDialog.reset();
    QTest::qWait(20);
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ(m_modals.size(), 1u); // the right outline's preview only
    EXPECT_FALSE(std::filesystem::exists(result));
}

// The worker waits for its message to be shown; ending the dialog there
// must not leave it waiting, nor show the rest.
TEST_F(SmoothingDlgTest, ClosingAtAMessageEndsTheCommandWithoutFurtherMessages)
{
    m_platform.m_onMessage = [this](const std::string&) { m_pDialog->close(); };
    Item<QPushButton>(IDC_CREATE_OUTLINES).click();
    ASSERT_TRUE(WaitUntil([this] { return !m_pDialog->IsCommandRunning(); }));
    EXPECT_FALSE(m_pDialog->isVisible());
    EXPECT_EQ(m_platform.m_messages, TTexts{"Couldn't load left or right bitmap!"});
    EXPECT_TRUE(m_modals.empty());
    EXPECT_EQ(QApplication::overrideCursor(), nullptr);
}

TEST_F(SmoothingDlgTest, SmoothingInTheMainDialogOpensThisDialog)
{
    m_main.GetItem<QPushButton>(IDC_SMOOTHING)->click();
    ASSERT_EQ(m_modals.size(), 1u);
    EXPECT_EQ(m_modals[0].title, "Segmentation Smoothing");
}
