// CLinkLabel: attaching, the colours as drawn, the underline modes, fitting to the text, clicks.
#include "about/link_label.h"
#include "gui/about_test_support.h"
#include "gui/gui_test_support.h"

#include <QFontMetrics>
#include <QImage>
#include <QTest>

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdlib>

namespace {

const QString kTarget = QStringLiteral("https://www.qt.io");

// The most strongly coloured pixel of the label as drawn: the middle of a
// letter's stroke, where the text colour is least mixed with the background.
QColor StrongestInk(QWidget& widget)
{
    const QImage image = widget.grab().toImage();
    QColor best(Qt::gray);
    int nBest = -1;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            const QColor pixel = image.pixelColor(x, y);
            const int nChroma = std::max({pixel.red(), pixel.green(), pixel.blue()})
                - std::min({pixel.red(), pixel.green(), pixel.blue()});
            if (nChroma > nBest) {
                nBest = nChroma;
                best = pixel;
            }
        }
    }
    return best;
}

bool IsNear(const QColor& actual, const QColor& expected)
{
    return std::abs(actual.red() - expected.red()) <= 70 && std::abs(actual.green() - expected.green()) <= 70
        && std::abs(actual.blue() - expected.blue()) <= 70;
}

class LinkLabelTest : public testing::Test {
protected:
    LinkLabelTest()
    {
        m_window.resize(400, 200);
        m_label = new CLinkLabel(&m_window);
        m_label->setText(QStringLiteral("The Qt Project"));
        m_label->setGeometry(20, 30, 200, 40);
        m_label->setAlignment(Qt::AlignLeft | Qt::AlignTop); // as a dialog's static text
        m_window.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_window));
    }

    void Attach()
    {
        m_label->Attach();
        m_label->SetTarget(kTarget);
    }
    void MoveMouseOver() { QCursor::setPos(m_label->mapToGlobal(m_label->rect().center())); }
    void MoveMouseAway() { QCursor::setPos(m_window.mapToGlobal(QPoint(380, 180))); }
    bool Hovered()
    {
        return WaitUntil([this] { return m_label->m_bMouseInside == 1; }, 2000);
    }
    bool Left()
    {
        return WaitUntil([this] { return m_label->m_bMouseInside == 0; }, 2000);
    }

    CRecordingPlatform m_platform;
    CScriptedHtmlHandler m_handler;
    QWidget m_window;
    CLinkLabel* m_label;
};

} // namespace

TEST_F(LinkLabelTest, AttachingMakesALinkOfThePlainLabel)
{
    MoveMouseAway();
    EXPECT_EQ(m_label->m_clrLink, QColor(0, 0, 238));
    EXPECT_EQ(m_label->m_clrVisited, QColor(85, 26, 139));
    EXPECT_EQ(m_label->m_clrHover, QColor(255, 0, 0));
    EXPECT_EQ(m_label->m_nUnderlineMode, -1);
    EXPECT_EQ(m_label->m_bFitToText, 1);
    EXPECT_FALSE(m_label->m_hHandCursor.has_value());
    EXPECT_EQ(m_label->geometry(), QRect(20, 30, 200, 40)); // nothing happens before attaching

    m_label->Attach();
    EXPECT_EQ(m_label->m_strTarget, "The Qt Project"); // the text until a target is set
    m_label->SetTarget(kTarget);
    EXPECT_EQ(m_label->toolTip(), kTarget);
    EXPECT_EQ(m_label->cursor().shape(), Qt::PointingHandCursor);
    EXPECT_FALSE(m_label->font().underline());
    EXPECT_TRUE(m_label->m_fontUnderlined.underline());
    const QFontMetrics metrics(m_label->m_fontUnderlined);
    EXPECT_EQ(m_label->geometry(), QRect(20, 30, metrics.horizontalAdvance("The Qt Project"), metrics.height()));
    EXPECT_TRUE(IsNear(StrongestInk(*m_label), m_label->m_clrLink));

    // A label without text shows its target.
    CLinkLabel empty(&m_window);
    empty.SetTarget(kTarget);
    empty.Attach();
    EXPECT_EQ(empty.text(), kTarget);
}

TEST_F(LinkLabelTest, TurnsRedAndUnderlinedAtOnceAndBackWhenTheTimerFindsTheMouseGone)
{
    MoveMouseAway();
    Attach();
    MoveMouseOver();
    ASSERT_TRUE(Hovered());
    EXPECT_EQ(m_label->TextColour(), QColor(255, 0, 0));
    EXPECT_TRUE(m_label->font().underline());
    EXPECT_TRUE(m_label->IsHoverTimerActive());
    EXPECT_TRUE(IsNear(StrongestInk(*m_label), QColor(255, 0, 0)));

    // Leaving is noticed by the timer, not by the move away.
    MoveMouseAway();
    QCoreApplication::processEvents();
    EXPECT_EQ(m_label->m_bMouseInside, 1);
    ASSERT_TRUE(Left());
    EXPECT_EQ(m_label->TextColour(), QColor(0, 0, 238));
    EXPECT_FALSE(m_label->font().underline());
    EXPECT_FALSE(m_label->IsHoverTimerActive());
    EXPECT_TRUE(IsNear(StrongestInk(*m_label), QColor(0, 0, 238)));
}

TEST_F(LinkLabelTest, AnOpenedLinkIsDrawnVisitedAndStillTurnsRedUnderTheMouse)
{
    MoveMouseAway();
    Attach();
    m_label->MarkOpened(true);
    EXPECT_EQ(m_label->TextColour(), QColor(85, 26, 139));
    EXPECT_TRUE(IsNear(StrongestInk(*m_label), QColor(85, 26, 139)));
    MoveMouseOver();
    ASSERT_TRUE(Hovered());
    EXPECT_EQ(m_label->TextColour(), QColor(255, 0, 0));
    MoveMouseAway();
    ASSERT_TRUE(Left());
    EXPECT_EQ(m_label->TextColour(), QColor(85, 26, 139));
    m_label->MarkOpened(false);
    EXPECT_EQ(m_label->TextColour(), QColor(0, 0, 238));
}

TEST_F(LinkLabelTest, UnderlineModeOneAlwaysUnderlinesAndOtherModesNever)
{
    MoveMouseAway();
    m_label->SetUnderlineMode(1); // before attaching only remembered
    EXPECT_FALSE(m_label->font().underline());
    m_label->SetUnderlineMode(-1);
    Attach();

    m_label->SetUnderlineMode(1);
    EXPECT_TRUE(m_label->font().underline());
    MoveMouseOver();
    ASSERT_TRUE(Hovered());
    MoveMouseAway();
    ASSERT_TRUE(Left());
    EXPECT_TRUE(m_label->font().underline());

    for (int nMode : {0, 2}) {
        m_label->SetUnderlineMode(nMode);
        EXPECT_FALSE(m_label->font().underline()) << nMode;
        MoveMouseOver();
        ASSERT_TRUE(Hovered());
        EXPECT_FALSE(m_label->font().underline()) << nMode;
        EXPECT_EQ(m_label->TextColour(), QColor(255, 0, 0));
        MoveMouseAway();
        ASSERT_TRUE(Left());
    }
}

TEST_F(LinkLabelTest, FittingKeepsTheEdgeOrTheCentreThatTheAlignmentKeeps)
{
    const QFontMetrics metrics(m_label->font());
    const int nWidth = metrics.horizontalAdvance(m_label->text());
    const int nHeight = metrics.height();
    m_label->setAlignment(Qt::AlignRight | Qt::AlignTop);
    m_label->Attach();
    EXPECT_EQ(m_label->geometry(), QRect(220 - nWidth, 30, nWidth, nHeight));

    CLinkLabel centred(&m_window);
    centred.setText(m_label->text());
    centred.setGeometry(20, 30, 201, 41);
    centred.setAlignment(Qt::AlignCenter);
    centred.Attach();
    const int nShrinkX = (201 - nWidth) / 2;
    const int nShrinkY = (41 - nHeight) / 2;
    EXPECT_EQ(centred.geometry(), QRect(20 + nShrinkX, 30 + nShrinkY, 201 - 2 * nShrinkX, 41 - 2 * nShrinkY));

    CLinkLabel kept(&m_window);
    kept.setText(m_label->text());
    kept.setGeometry(20, 30, 200, 40);
    kept.m_bFitToText = 0;
    kept.Attach();
    EXPECT_EQ(kept.geometry(), QRect(20, 30, 200, 40));
}

TEST_F(LinkLabelTest, AClickOpensTheTargetAndLeavesTheLinkVisited)
{
    MoveMouseAway();
    Attach();
    QTest::mouseClick(m_label, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(m_platform.m_opened.size(), 1u);
    EXPECT_EQ(m_platform.m_opened[0].toString(), kTarget);
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ(m_label->m_bWasOpened, 1);
    EXPECT_EQ(m_label->m_bMouseInside, 0);
    EXPECT_EQ(m_label->TextColour(), QColor(85, 26, 139));

    // Released away from the label it is no click; other buttons neither.
    QTest::mousePress(m_label, Qt::LeftButton, {}, QPoint(2, 2));
    QTest::mouseRelease(m_label, Qt::LeftButton, {}, QPoint(-5, 2));
    QTest::mouseClick(m_label, Qt::RightButton, {}, QPoint(2, 2));
    EXPECT_EQ(m_platform.m_opened.size(), 1u);
}

TEST_F(LinkLabelTest, AFailedClickReportsWhatFailedAndDoesNotVisit)
{
    MoveMouseAway();
    Attach();
    m_platform.m_bOpenSucceeds = false;
    QTest::mouseClick(m_label, Qt::LeftButton, {}, QPoint(2, 2));
    EXPECT_EQ(m_platform.m_messages,
              std::vector<std::string>{"Unable to open hyperlink:\n\nThere is no application "
                                       "associated\nwith the given filename extension."});
    EXPECT_EQ(m_label->m_bWasOpened, 0);
    EXPECT_EQ(m_label->TextColour(), QColor(0, 0, 238));

    m_handler.m_entry = SDesktopEntry{"/x/web.desktop", "web %u", "Web", ""};
    m_handler.m_nStartError = ENOENT;
    QTest::mouseClick(m_label, Qt::LeftButton, {}, QPoint(2, 2));
    ASSERT_EQ(m_platform.m_messages.size(), 2u);
    EXPECT_EQ(m_platform.m_messages[1], "Unable to open hyperlink:\n\nThe specified file was not found.");
    EXPECT_EQ(m_handler.m_started, std::vector<QStringList>{(QStringList{"web", kTarget})});
}
