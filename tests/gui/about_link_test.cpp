// The About box's links: the credits as link labels, opening a target through the opener or the HTML program,
// checking that program, and finding its desktop entry.
#include "about/about_dlg.h"
#include "about/desktop_entry.h"
#include "about/html_handler.h"
#include "about/link_label.h"
#include "about/open_target.h"
#include "gui/gui_test_support.h"
#include "resources/dialog_template.h"

#include <QDir>

#include <algorithm>
#include <cerrno>

namespace {

const QString kTarget = QStringLiteral("https://example.org");
const QColor kLink(0, 0, 238), kVisited(85, 26, 139), kHover(255, 0, 0);

// Answers the lookup of the HTML program with `m_entry` and records every
// start instead of starting anything, so that no test starts a browser.
class CScriptedHtmlHandler : public CHtmlHandler {
public:
    std::optional<SDesktopEntry> FindHtmlHandler() override { return m_entry; }
    int StartDetached(const QString& program, const QStringList& args) override
    {
        m_started.push_back(QStringList{program} + args);
        return m_nStartError;
    }

    std::optional<SDesktopEntry> m_entry;
    int m_nStartError = 0;
    std::vector<QStringList> m_started;
    CHtmlHandlerOverride m_override{*this};
};

// The About box, shown, with the mouse away from its links.
class AboutDlgTest : public testing::Test {
protected:
    AboutDlgTest()
    {
        m_dialog.show();
        EXPECT_TRUE(QTest::qWaitForWindowExposed(&m_dialog) && MoveMouse(false));
    }

    // Leaving is noticed by the hover timer, not by the move away.
    bool MoveMouse(bool bOver)
    {
        CLinkLabel& link = *m_dialog.m_staticFirstCredit;
        QCursor::setPos(bOver ? link.mapToGlobal(QPoint(2, 2))
                              : m_dialog.mapToGlobal(QPoint(2, m_dialog.height() - 2)));
        return WaitUntil([&] { return link.m_bMouseInside == bOver; }, 2000);
    }

    CRecordingPlatform m_platform;
    CScriptedHtmlHandler m_handler;
    CAboutDlg m_dialog;
};

// Whether some pixel of `widget` as drawn is far more red than blue, as red
// ink is and neither the other link colours nor the background are.
bool IsDrawnRed(QWidget& widget)
{
    const QImage image = widget.grab().toImage().convertToFormat(QImage::Format_RGB32);
    const auto* pPixels = reinterpret_cast<const QRgb*>(image.constBits());
    return std::any_of(pPixels, pPixels + image.width() * image.height(),
                       [](QRgb pixel) { return qRed(pixel) > qBlue(pixel) + 100; });
}

QString WriteFile(const CTempFolder& folder, const std::string& name, const std::string& text = "")
{
    const QString path = QString::fromStdString(folder.File(name));
    QDir().mkpath(QFileInfo(path).absolutePath());
    WriteBytes(path.toStdString(), text);
    return path;
}

} // namespace

// Each shows its template text, fitted once placed, so that only the words
// themselves are the link. A press released away from the link is no click,
// nor is one of another button; a link that could not be opened says why and
// stays unvisited, one that opened turns visited.
TEST_F(AboutDlgTest, EachCreditIsALinkThatOpensItsPageOrSaysWhyItCouldNot)
{
    const std::tuple<CLinkLabel*, int, const char*> credits[]
        = {{m_dialog.m_staticFirstCredit, IDC_FIRST_CREDIT, kFirstCreditTarget},
           {m_dialog.m_staticSecondCredit, IDC_SECOND_CREDIT, kSecondCreditTarget}};
    std::vector<QColor> colours; // after a click that could not open the page, and after one that did
    for (const auto& [pLink, nId, target] : credits) {
        ASSERT_EQ(pLink, m_dialog.GetItem<CLinkLabel>(nId));
        for (const SControlTemplate& control : AboutDialogTemplate().controls)
            EXPECT_TRUE(control.nId != nId || pLink->text() == control.text) << nId;
        EXPECT_EQ(std::tuple(pLink->width(), pLink->toolTip(), pLink->cursor().shape(), pLink->font().underline()),
                  std::tuple(QFontMetrics(pLink->m_fontUnderlined).horizontalAdvance(pLink->text()), target,
                             Qt::PointingHandCursor, false));
        QTest::mousePress(pLink, Qt::LeftButton, {}, QPoint(2, 2));
        QTest::mouseRelease(pLink, Qt::LeftButton, {}, QPoint(-5, 2));
        QTest::mouseClick(pLink, Qt::RightButton, {}, QPoint(2, 2));
        for (const bool bOpens : {false, true}) {
            m_platform.m_bOpenSucceeds = bOpens;
            QTest::mouseClick(pLink, Qt::LeftButton, {}, QPoint(1, 1));
            colours.push_back(pLink->TextColour());
        }
    }
    const QUrl first(kFirstCreditTarget), second(kSecondCreditTarget);
    EXPECT_EQ(std::tuple(m_platform.m_opened, colours, m_platform.m_messages),
              std::tuple(std::vector{first, first, second, second}, std::vector{kLink, kVisited, kLink, kVisited},
                         TTexts(2,
                                "Unable to open hyperlink:\n\nThere is no application associated\nwith the given "
                                "filename extension.")));
}

// Mode -1 underlines while the mouse is over the link, 1 always, any other
// never; the link is drawn in the colour it is in.
TEST_F(AboutDlgTest, UnderTheMouseALinkTurnsRedAndIsUnderlinedAsItsModeSays)
{
    CLinkLabel& link = *m_dialog.m_staticFirstCredit;
    const std::tuple<int, bool, bool, bool> modes[]
        = {{-1, false, false, true}, {1, true, true, true}, {0, false, false, false}, {2, true, false, false}};
    for (const auto& [nMode, bOpened, bUnderlinedAway, bUnderlinedOver] : modes) {
        link.SetUnderlineMode(nMode);
        link.MarkOpened(bOpened);
        EXPECT_EQ(link.font().underline(), bUnderlinedAway) << nMode;
        ASSERT_TRUE(MoveMouse(true));
        EXPECT_EQ(std::tuple(link.TextColour(), link.font().underline(), IsDrawnRed(link)),
                  std::tuple(kHover, bUnderlinedOver, true));
        ASSERT_TRUE(MoveMouse(false));
        EXPECT_EQ(std::tuple(link.TextColour(), link.font().underline(), link.IsHoverTimerActive(), IsDrawnRed(link)),
                  std::tuple(bOpened ? kVisited : kLink, bUnderlinedAway, false, false))
            << nMode;
    }
}

// The desktop's opener comes first; the HTML program gets the target as its
// last argument. An errno that the codes list another failure under (EIO is
// 5, ENOSPC 28) keeps its own number, made negative.
TEST(OpenLinkTarget, FallsBackToTheHtmlProgramAndSaysWhatFailed)
{
    const std::tuple<bool, const char*, int, int, QStringList> rows[]
        = {{true, "web %u", 0, kTargetOpened, {}},
           {false, nullptr, 0, kNoAssociation, {}},
           {false, R"("/opt/web/web" -new "%u")", 0, kTargetOpened, {"/opt/web/web", "-new", kTarget}},
           {false, "web %u", EIO, -EIO, {"web", kTarget}},
           {false, "web %u", kUnknownStartError, -1, {"web", kTarget}},
           {false, R"(sh -c "web %u")", 0, kAssociationInvalid, {}}};
    for (const auto& [bOpenerSucceeds, exec, nStartError, nCode, started] : rows) {
        CRecordingPlatform platform;
        CScriptedHtmlHandler handler;
        platform.m_bOpenSucceeds = bOpenerSucceeds;
        if (exec != nullptr)
            handler.m_entry = SDesktopEntry{"/x/web.desktop", exec, "Web", ""};
        handler.m_nStartError = nStartError;
        EXPECT_EQ(OpenLinkTarget(kTarget), nCode) << exec;
        EXPECT_EQ(handler.m_started, started.isEmpty() ? std::vector<QStringList>() : std::vector{started}) << exec;
    }
    const std::pair<int, int> codes[]
        = {{ENOENT, 2}, {ELOOP, 3}, {EPERM, 5}, {E2BIG, 8}, {ENOEXEC, 11}, {EMFILE, 0}, {ENOSPC, -ENOSPC}};
    for (const auto& [nError, nCode] : codes)
        EXPECT_EQ(OpenCodeFromErrno(nError), nCode) << nError;
    EXPECT_EQ(OpenErrorText(-5), "Unable to open hyperlink:\n\nUnknown Error (-5) occurred.");
}

TEST(DesktopHtmlHandler, ChecksTheProgramBeforeStartingIt)
{
    CTempFolder folder;
    const QString plain = WriteFile(folder, "plain", "#!/bin/sh\n");
    const QString dir = QString::fromStdString(folder.Path().string());
    const std::pair<QString, int> programs[] = {{dir + "/missing", ENOENT},          {plain, EACCES}, {dir, EACCES},
                                                {"tessaly-no-such-program", ENOENT}, {"sh", 0},       {"/bin/sh", 0}};
    for (const auto& [program, nError] : programs)
        EXPECT_EQ(CheckExecutable(program), nError) << program.toStdString();
    EXPECT_EQ(CDesktopHtmlHandler().StartDetached(plain, {kTarget}), EACCES);
}

// The launch keys of the main group, unescaped; an id's dashes may stand for
// one sub-folder, and an id never names a path.
TEST(DesktopEntry, IsReadFromTheFirstDataFolderThatHasIt)
{
    CTempFolder folder;
    const QString path = WriteFile(folder, "user/web.desktop",
                                   "# A browser\n[Desktop Entry]\nName = Web\\sBrowser\nIcon=web\n"
                                   "Exec=\"/opt/my web/run\" --say \"a \\\\\\\\ b\" %u\n\n"
                                   "[Desktop Action private]\nExec=web --private %u\nName=Private\n");
    const auto entry = ReadDesktopEntry(path);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(std::tuple(entry->strPath, entry->strName, entry->strIcon, entry->strExec),
              std::tuple(path, "Web Browser", "web", R"("/opt/my web/run" --say "a \\ b" %u)"));
    const QString empty = WriteFile(folder, "system/web.desktop", "[Desktop Entry]\nName=No command\n[X]\nExec=web\n");
    EXPECT_EQ(std::tuple(ReadDesktopEntry(empty), ReadDesktopEntry(empty + ".missing")),
              std::tuple(std::nullopt, std::nullopt));
    const QStringList dirs{folder.File("user").c_str(), folder.File("system").c_str()};
    WriteFile(folder, "system/vendor/web-browser.desktop");
    const std::pair<QString, QString> found[]
        = {{"web.desktop", path},
           {"vendor-web-browser.desktop", dirs[1] + "/vendor/web-browser.desktop"},
           {"none.desktop", ""},
           {"../system/web.desktop", ""}};
    for (const auto& [id, file] : found)
        EXPECT_EQ(FindDesktopFile(id, dirs), file) << id.toStdString();
}
