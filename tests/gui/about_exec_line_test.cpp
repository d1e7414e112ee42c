// The HTML program's command line: the placeholder cut, quoting, field codes, the command for a target.
#include "about/exec_line.h"

#include <gtest/gtest.h>

namespace {

SDesktopEntry Entry(const QString& exec)
{
    return {QStringLiteral("/usr/share/applications/web.desktop"), exec, QStringLiteral("Web Browser"),
            QStringLiteral("web-browser")};
}

} // namespace

TEST(CutAtPlaceholder, CutsAtTheQuoteOfAQuotedPlaceholderElseAtABareOneElseKeepsTheLine)
{
    EXPECT_EQ(CutAtPlaceholder(R"("C:\Program Files\Web\web.exe" -nohome "%1")"),
              R"("C:\Program Files\Web\web.exe" -nohome )");
    EXPECT_EQ(CutAtPlaceholder(R"(web.exe %1 -nosplash)"), "web.exe ");
    EXPECT_EQ(CutAtPlaceholder(R"(web.exe -new-window)"), "web.exe -new-window");
    // A quoted placeholder is looked for first, wherever a bare one is.
    EXPECT_EQ(CutAtPlaceholder(R"(web %1 --then "%1")"), "web %1 --then ");
    EXPECT_EQ(CutAtPlaceholder(""), "");
}

TEST(CutAtPlaceholder, TakesTheDesktopEntrysUrlAndFileCodesForThePlaceholder)
{
    EXPECT_EQ(CutAtPlaceholder("firefox-esr %u"), "firefox-esr ");
    EXPECT_EQ(CutAtPlaceholder("chromium --incognito %U"), "chromium --incognito ");
    EXPECT_EQ(CutAtPlaceholder(R"(viewer --open "%f" --raise)"), "viewer --open ");
    EXPECT_EQ(CutAtPlaceholder("viewer %F"), "viewer ");
    // %% is a percent sign and %i an icon, neither is the address.
    EXPECT_EQ(CutAtPlaceholder("web --zoom=100%%u %i %u"), "web --zoom=100%%u %i ");
    EXPECT_EQ(CutAtPlaceholder(R"(web "%%u")"), R"(web "%%u")");
}

TEST(SplitExecLine, FollowsTheDesktopEntryQuotingRules)
{
    const auto args = SplitExecLine(R"(  "/opt/My Web/run"  --say "a \"b\" \$5 \` \\ \x" x"y z"w "" end)");
    ASSERT_TRUE(args.has_value());
    EXPECT_EQ(*args, (QStringList{"/opt/My Web/run", "--say", R"(a "b" $5 ` \ \x)", "xy zw", "", "end"}));
    EXPECT_EQ(SplitExecLine(""), QStringList());
    EXPECT_EQ(SplitExecLine(R"(web "open)"), std::nullopt);
    EXPECT_EQ(SplitExecLine(R"(web "a\")"), std::nullopt);
}

TEST(ExpandFieldCodes, ReplacesNameFileAndIconAndDropsTheRest)
{
    const QStringList args{"web", "%i", "--class=%c", "--from=%k", "100%%", "%U", "%d%D", "--x%n", "50%"};
    EXPECT_EQ(ExpandFieldCodes(args, Entry("web")),
              (QStringList{"web", "--icon", "web-browser", "--class=Web Browser",
                           "--from=/usr/share/applications/web.desktop", "100%", "--x", "50%"}));
    SDesktopEntry noIcon = Entry("web");
    noIcon.strIcon.clear();
    EXPECT_EQ(ExpandFieldCodes({"web", "%i"}, noIcon), QStringList{"web"});
}

TEST(CommandForTarget, IsTheProgramPartAndTheTargetAsOneArgument)
{
    const QString target = QStringLiteral(R"(https://example.org/a b?q="x";rm -rf ~&y=$HOME `id`)");
    // The placeholder between quotes goes, quotes and all.
    EXPECT_EQ(CommandForTarget(Entry(R"(/usr/bin/web "%1")"), target), (QStringList{"/usr/bin/web", target}));
    // No placeholder: the target follows the whole line.
    EXPECT_EQ(CommandForTarget(Entry("web --new-window"), target), (QStringList{"web", "--new-window", target}));
    EXPECT_EQ(CommandForTarget(Entry("env WEB=1 web %U --later"), target),
              (QStringList{"env", "WEB=1", "web", target}));
    EXPECT_EQ(CommandForTarget(Entry(R"("/opt/My Web/run" %i --name=%c %u)"), target),
              (QStringList{"/opt/My Web/run", "--icon", "web-browser", "--name=Web Browser", target}));
}

TEST(CommandForTarget, RefusesALineWithoutAProgramOrWithAnOpenQuote)
{
    EXPECT_EQ(CommandForTarget(Entry("%u"), "https://example.org"), std::nullopt);
    EXPECT_EQ(CommandForTarget(Entry(R"("" %u)"), "https://example.org"), std::nullopt);
    // Cut inside its quotes, the line is left with one open.
    EXPECT_EQ(CommandForTarget(Entry(R"(sh -c "web %u")"), "https://example.org"), std::nullopt);
}
