// The Segmentation Smoothing dialog: its controls' start values, which command each button runs with which box, the
// controls held off and the cursor while a command runs, and ending the dialog while a command reports.
#include "gui/gui_test_support.h"
#include "platform/digit_edit.h"
#include "smoothing/smoothing_dlg.h"

#include <QApplication>
#include <QCheckBox>

namespace {

// The smoothing dialog open beside the main dialog, which owns the pair.
class SmoothingDlgTest : public MainDialogTest {
protected:
    SmoothingDlgTest() { m_pDialog->show(); }

    template <class T> T& Item(int nId) { return *m_pDialog->GetItem<T>(nId); }
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

// The trackbar writes the level box, also at either end; the first tab
// stop, Close, has the focus.
TEST_F(SmoothingDlgTest, EveryControlStartsAsSetAndTheTrackbarWritesItsBoxAtBothEnds)
{
    QSlider& level = Item<QSlider>(IDC_OUTLINE_LEVEL_SLIDER);
    EXPECT_EQ(std::tuple(level.minimum(), level.maximum(), level.singleStep(), level.pageStep(), level.value(),
                         level.tickPosition()),
              std::tuple(0, 256, 1, 51, 50, QSlider::NoTicks));
    CDigitEdit& levelBox = Item<CDigitEdit>(IDC_OUTLINE_LEVEL_EDIT);
    EXPECT_EQ(std::tuple(levelBox.text(), Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT).text()), std::tuple("50", "5"));
    level.triggerAction(QAbstractSlider::SliderToMaximum);
    EXPECT_EQ(levelBox.text(), "256");
    level.triggerAction(QAbstractSlider::SliderToMinimum);
    EXPECT_EQ(levelBox.text(), "0");
    m_pDialog->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pDialog.get()));
    EXPECT_EQ(m_pDialog->focusWidget(), m_pDialog->GetDlgItem(IDOK));
}

// Each command takes the level or the degree from its box, the side's names
// from the main dialog's pair, and previews when the main dialog says so.
// A button pressed from the keyboard has the focus again once its command ends.
TEST_F(SmoothingDlgTest, EachButtonRunsItsCommandWithTheBoxesValues)
{
    OpenPair(12, 9);
    struct SRow {
        int nButton, nLevelPosition;
        const char* degree;
        bool bPreview;
        const char* preview;
        int nLevel, nDegree; // as the commands keep them afterwards
    };
    for (const SRow& row : {SRow{IDC_CREATE_OUTLINES, 256, "5", true, "right-outline.bmp", 256, 5},
                            {IDC_SMOOTH_LEFT, 0, "0", true, "left-3dmapNew.bmp", 256, 0},
                            {IDC_SMOOTH_RIGHT, 0, "90", true, "right-3dmapNew.bmp", 256, 90},
                            {IDC_CREATE_OUTLINES, 0, "90", false, "", 0, 90}}) {
        SCOPED_TRACE(row.nButton);
        m_modals.clear();
        Item<QSlider>(IDC_OUTLINE_LEVEL_SLIDER).setValue(row.nLevelPosition);
        Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT).clear();
        QTest::keyClicks(&Item<CDigitEdit>(IDC_SMOOTHING_DEGREE_EDIT), row.degree);
        m_pMain->GetItem<QCheckBox>(IDC_PREVIEW_CHECK)->setChecked(!row.bPreview);
        Click(*m_pMain, IDC_PREVIEW_CHECK);
        QWidget* pButton = m_pDialog->GetDlgItem(row.nButton);
        pButton->setFocus();
        QTest::keyClick(pButton, Qt::Key_Space);
        ASSERT_TRUE(WaitForCommand());
        EXPECT_EQ(std::tuple(m_modals, m_pDialog->focusWidget()),
                  std::tuple(*row.preview ? TTexts{m_folder.File(row.preview)} : TTexts{}, pButton));
        EXPECT_EQ(std::tuple(m_pDialog->Commands().m_nLevel, m_pDialog->Commands().m_nDegree),
                  std::tuple(row.nLevel, row.nDegree));
    }
}

// A command without images waits at its first message until the dialog's
// thread shows it, so it runs for as long as no event is processed. The
// message wants a click, so the pointer is an arrow over it.
TEST_F(SmoothingDlgTest, EveryControlIsEnabledAsARunningCommandAllowsUnderTheWaitCursor)
{
    const TEnabledStates states{{IDOK, {1, 1}},
                                {IDC_OUTLINE_LEVEL_EDIT, {0, 0}},
                                {IDC_OUTLINE_LEVEL_SLIDER, {1, 1}},
                                {IDC_CREATE_OUTLINES, {1, 0}},
                                {IDC_SMOOTHING_DEGREE_EDIT, {1, 1}},
                                {IDC_SMOOTH_LEFT, {1, 0}},
                                {IDC_SMOOTH_RIGHT, {1, 0}}};
    const auto cursor = [] { // BitmapCursor: none set
        return QApplication::overrideCursor() ? QApplication::overrideCursor()->shape() : Qt::BitmapCursor;
    };
    std::vector<Qt::CursorShape> cursors; // at each message; the preview's comes after the command
    m_platform.m_onMessage = [&](const std::string&) { cursors.push_back(cursor()); };
    ExpectEnabled(*m_pDialog, states, false);
    Click(*m_pDialog, IDC_SMOOTH_RIGHT);
    ASSERT_TRUE(m_pDialog->IsCommandRunning());
    ExpectEnabled(*m_pDialog, states, true);
    EXPECT_EQ(cursor(), Qt::WaitCursor);
    ASSERT_TRUE(WaitForCommand());
    ExpectEnabled(*m_pDialog, states, false);
    EXPECT_EQ(std::tuple(cursor(), cursors),
              std::tuple(Qt::BitmapCursor, std::vector{Qt::ArrowCursor, Qt::BitmapCursor}));
}

// However the dialog ends while its worker reports, the wait cursor goes at
// once and nothing more is shown: a message on its way is dropped with the
// command cancelled, and a command's end on its way brings no preview.
TEST_F(SmoothingDlgTest, EndingTheDialogWhileACommandReportsShowsNothingMore)
{
    for (const auto& [nWay, bPair] : {std::pair(0, false), {1, false}, {2, false}, {0, true}}) {
        if (bPair)
            OpenPair(12, 9);
        m_pDialog = std::make_unique<CSmoothingDlg>();
        m_pDialog->show();
        bool bCursorGone = false;
        CAtFirstReport end;
        end.m_end = [&, nWay = nWay] {
            if (nWay == 0)
                m_pDialog->close();
            else if (nWay == 1)
                QTest::keyClick(m_pDialog.get(), Qt::Key_Escape);
            else
                Click(*m_pDialog, IDOK);
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
