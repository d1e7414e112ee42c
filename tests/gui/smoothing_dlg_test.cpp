// The Segmentation Smoothing dialog: which command each button runs with which box, its controls' start values, the
// controls held off and the cursor while a command runs, and ending the dialog while a command reports.
#include "gui/gui_test_support.h"
#include "platform/digit_edit.h"
#include "smoothing/smoothing_dlg.h"

#include <QApplication>

namespace {

// The smoothing dialog open beside the main dialog, which owns the pair.
class SmoothingDlgTest : public MainDialogTest {
protected:
    SmoothingDlgTest() { m_pDialog->show(); }

    bool WaitForCommand()
    {
        return WaitUntil([this] { return !m_pDialog->IsCommandRunning(); });
    }

    std::unique_ptr<CSmoothingDlg> m_pDialog = std::make_unique<CSmoothingDlg>();
};

// Runs m_end when the first call queued by the worker reaches the dialog: a
// message to show, or the end of the command.
class CAtFirstReport : public QObject {
public:
    bool eventFilter(QObject*, QEvent* pEvent) override
    {
        if (pEvent->type() == QEvent::MetaCall && m_end)
            std::exchange(m_end, nullptr)();
        return false;
    }

    std::function<void()> m_end;
};

} // namespace

// Each command takes the level or the degree from its box, the side's names
// from the main dialog's pair, and previews when the main dialog says so.
// A button pressed from the keyboard has the focus again once its command ends.
TEST_F(SmoothingDlgTest, EachButtonRunsItsCommandWithTheBoxesValues)
{
    OpenPair(12, 9);
    CDigitEdit& degreeBox = *m_pDialog->GetItem<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT);
    // The last two numbers are the level and the degree as the commands keep them afterwards.
    for (const auto& [nButton, nPosition, degree, preview, nLevel, nDegree] :
         {std::tuple(IDC_CREATE_OUTLINES, 256, "5", "right-outline.bmp", 256, 5),
          {IDC_SMOOTH_LEFT, 0, "0", "left-3dmapNew.bmp", 256, 0},
          {IDC_SMOOTH_RIGHT, 0, "90", "right-3dmapNew.bmp", 256, 90},
          {IDC_CREATE_OUTLINES, 0, "90", "", 0, 90}}) {
        SCOPED_TRACE(nButton);
        m_modals.clear();
        m_pDialog->GetItem<QSlider>(IDC_OUTLINE_LEVEL_SLIDER)->setValue(nPosition);
        degreeBox.clear();
        QTest::keyClicks(&degreeBox, degree);
        if (*preview == '\0')
            Click(*m_pMain, IDC_PREVIEW_CHECK); // unchecks "Preview images"
        QWidget* pButton = m_pDialog->GetDlgItem(nButton);
        pButton->setFocus();
        QTest::keyClick(pButton, Qt::Key_Space);
        ASSERT_TRUE(WaitForCommand());
        EXPECT_EQ(std::tuple(m_modals, m_pDialog->focusWidget(), m_pDialog->Commands().m_nLevel,
                             m_pDialog->Commands().m_nDegree),
                  std::tuple(*preview ? TTexts{m_folder.File(preview)} : TTexts{}, pButton, nLevel, nDegree));
    }
}

// The trackbar writes the level box, also at either end; the first tab stop,
// Close, has the focus. A command without images waits at its first message
// until the dialog's thread shows it, so it runs for as long as no event is
// processed. The message wants a click, so the pointer is an arrow over it.
TEST_F(SmoothingDlgTest, EveryControlStartsAsSetAndIsEnabledAsARunningCommandAllowsUnderTheWaitCursor)
{
    ExpectTrackbar(*m_pDialog, IDC_OUTLINE_LEVEL_SLIDER, IDC_OUTLINE_LEVEL_EDIT, {0, 256, 51, 50});
    EXPECT_EQ(::Text(*m_pDialog, IDC_SMOOTHING_DEGREE_EDIT), "5");
    m_pDialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDialog.get()));
    EXPECT_EQ(m_pDialog->focusWidget(), m_pDialog->GetDlgItem(IDOK));
    const std::set<int> heldOff{IDC_CREATE_OUTLINES, IDC_SMOOTH_LEFT, IDC_SMOOTH_RIGHT},
        disabled{IDC_OUTLINE_LEVEL_EDIT};
    const auto cursor = [] { // BitmapCursor: none set
        return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BitmapCursor;
    };
    std::vector<Qt::CursorShape> cursors; // at each message; the preview's comes after the command
    m_platform.m_onMessage = [&](const std::string&) { cursors.push_back(cursor()); };
    ExpectEnabled(*m_pDialog, heldOff, disabled, false);
    Click(*m_pDialog, IDC_SMOOTH_RIGHT);
    ASSERT_TRUE(m_pDialog->IsCommandRunning());
    ExpectEnabled(*m_pDialog, heldOff, disabled, true);
    EXPECT_EQ(cursor(), Qt::WaitCursor);
    ASSERT_TRUE(WaitForCommand());
    ExpectEnabled(*m_pDialog, heldOff, disabled, false);
    EXPECT_EQ(std::tuple(cursor(), cursors),
              std::tuple(Qt::BitmapCursor, std::vector{Qt::ArrowCursor, Qt::BitmapCursor}));
}

// However the dialog ends (the close box, Escape, Close) while its worker
// reports, the wait cursor goes at
// once and nothing more is shown: a message on its way is dropped with the
// command cancelled, and a command's end on its way brings no preview.
TEST_F(SmoothingDlgTest, EndingTheDialogWhileACommandReportsShowsNothingMore)
{
    const std::function<void()> ways[]
        = {[this] { m_pDialog->close(); }, [this] { QTest::keyClick(m_pDialog.get(), Qt::Key_Escape); },
           [this] { Click(*m_pDialog, IDOK); }};
    for (const auto& [nWay, bPair] : {std::pair(0, false), {1, false}, {2, false}, {0, true}}) {
        if (bPair)
            OpenPair(12, 9);
        m_pDialog = std::make_unique<CSmoothingDlg>();
        m_pDialog->show();
        bool bCursorGone = false;
        CAtFirstReport end;
        end.m_end = [&, nWay = nWay] {
            ways[nWay]();
            bCursorGone = QApplication::overrideCursor() == nullptr;
        };
        m_pDialog->installEventFilter(&end);
        Click(*m_pDialog, IDC_CREATE_OUTLINES);
        ASSERT_TRUE(WaitForCommand());
        EXPECT_EQ(std::tuple(m_pDialog->isVisible(), bCursorGone, m_platform.m_messages, m_modals),
                  std::tuple(false, true, TTexts{}, TTexts{}))
            << nWay << bPair;
    }
}
