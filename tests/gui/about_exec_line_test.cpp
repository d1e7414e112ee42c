// The HTML program's command line for a target: cut before the placeholder, split by the quoting rules, field codes
// expanded.
#include "about/exec_line.h"

#include <gtest/gtest.h>

// The line is cut at the quote of the first quoted placeholder (%1, %u, %U,
// %f, %F), else at the first bare one; %% is a percent sign and %i the icon.
// A double-quoted part is one argument, with \", \`, \$ and \\ inside it
// standing for the character. The target is one argument whatever it holds;
// a line cut inside its quotes is left with one open.
TEST(CommandForTarget, IsTheProgramPartWithItsFieldCodesAndTheTargetAsOneArgument)
{
    const QString target = QStringLiteral(R"(https://example.org/a b?q="x";rm -rf ~&y=$HOME `id`)");
    const std::pair<QString, std::optional<QStringList>> commands[]
        = {{R"(/usr/bin/web -a "%1" -b)", QStringList{"/usr/bin/web", "-a", target}},
           {"web %1 --then \"%1\"", QStringList{"web", "--then", target}},
           {"web --new-window", QStringList{"web", "--new-window", target}},
           {"env WEB=1 web %U --later", QStringList{"env", "WEB=1", "web", target}},
           {R"(viewer "%f" --raise)", QStringList{"viewer", target}},
           {"viewer %F", QStringList{"viewer", target}},
           {"web --zoom=100%%u %i --name=%c --from=%k %d%D -x%n %u",
            QStringList{"web", "--zoom=100%u", "--icon", "web-browser", "--name=Web Browser",
                        "--from=/apps/web.desktop", "-x", target}},
           {R"(web "%%u")", QStringList{"web", "%u", target}},
           {"  \"/opt/My Web/run\"\t--say \"a \\\"b\\\" \\$5 \\` \\\\ \\x\" x\"y z\"w \"\" %u",
            QStringList{"/opt/My Web/run", "--say", R"(a "b" $5 ` \ \x)", "xy zw", "", target}},
           {"%u", std::nullopt},
           {R"("" %u)", std::nullopt},
           {R"(web "open)", std::nullopt},
           {R"(web "a\")", std::nullopt},
           {R"(sh -c "web %u")", std::nullopt}};
    for (const auto& [exec, command] : commands) {
        const SDesktopEntry entry{"/apps/web.desktop", exec, "Web Browser", "web-browser"};
        EXPECT_EQ(CommandForTarget(entry, target), command) << exec.toStdString();
    }
    EXPECT_EQ(ExpandFieldCodes({"web", "%i"}, SDesktopEntry{}), QStringList{"web"}); // no icon
}
