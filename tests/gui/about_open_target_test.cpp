// Opening a link's target: the opener, the HTML program's fallback, error texts, finding the program.
#include "about/desktop_entry.h"
#include "about/html_handler.h"
#include "about/open_target.h"
#include "gui/about_test_support.h"
#include "gui/gui_test_support.h"
#include "support/test_images.h"

#include <QDir>
#include <QFile>

#include <gtest/gtest.h>

#include <cerrno>

namespace {

const QString kTarget = QStringLiteral("https://freeimage.sourceforge.io");

void WriteFile(const QString& path, const QByteArray& text)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

} // namespace

TEST(OpenErrorText, GivesTheTextOfEveryCodeAfterTheHeading)
{
    const std::pair<int, const char*> table[] = {
        {0, "The operating system is out\nof memory or resources."},
        {2, "The specified file was not found."},
        {3, "The specified path was not found."},
        {5, "The operating system denied\naccess to the specified file."},
        {8, "There was not enough memory to complete the operation."},
        {11, "The .EXE file is invalid\n(non-Win32 .EXE or error in .EXE image)."},
        {26, "A sharing violation occurred. "},
        {27, "The filename association is\nincomplete or invalid."},
        {28, "The DDE transaction could not\nbe completed because the request timed out."},
        {29, "The DDE transaction failed."},
        {30, "The DDE transaction could not\nbe completed because other DDE transactions\nwere being processed."},
        {31, "There is no application associated\nwith the given filename extension."},
        {32, "The specified dynamic-link library was not found."},
        {4, "Unknown Error (4) occurred."},
        {33, "Unknown Error (33) occurred."},
        {-5, "Unknown Error (-5) occurred."},
    };
    for (const auto& [nCode, text] : table)
        EXPECT_EQ(OpenErrorText(nCode).toStdString(), std::string("Unable to open hyperlink:\n\n") + text) << nCode;
}

TEST(OpenCodeFromErrno, NamesWhatFailedAndKeepsUnlistedErrorsApart)
{
    EXPECT_GT(OpenCodeFromErrno(0), 32);
    EXPECT_EQ(OpenCodeFromErrno(ENOENT), 2);
    EXPECT_EQ(OpenCodeFromErrno(ENOTDIR), 3);
    EXPECT_EQ(OpenCodeFromErrno(EACCES), 5);
    EXPECT_EQ(OpenCodeFromErrno(EPERM), 5);
    EXPECT_EQ(OpenCodeFromErrno(ENOMEM), 8);
    EXPECT_EQ(OpenCodeFromErrno(EAGAIN), 0);
    EXPECT_EQ(OpenCodeFromErrno(ENOEXEC), 11);
    EXPECT_EQ(OpenCodeFromErrno(ETXTBSY), 26);
    // EIO is 5 and ENOSPC 28, which the table lists for other failures.
    EXPECT_EQ(OpenCodeFromErrno(EIO), -EIO);
    EXPECT_EQ(OpenCodeFromErrno(ENOSPC), -ENOSPC);
    EXPECT_EQ(OpenCodeFromErrno(kUnknownStartError), -1);
}

class OpenLinkTargetTest : public testing::Test {
protected:
    CRecordingPlatform m_platform;
    CScriptedHtmlHandler m_handler;
};

TEST_F(OpenLinkTargetTest, TheDesktopsOpenerComesFirst)
{
    EXPECT_GT(OpenLinkTarget(kTarget), 32);
    ASSERT_EQ(m_platform.m_opened.size(), 1u);
    EXPECT_EQ(m_platform.m_opened[0].toString(), kTarget);
    EXPECT_EQ(m_handler.m_nLookups, 0);
}

TEST_F(OpenLinkTargetTest, FallsBackToTheHtmlProgramWithTheTargetAsItsLastArgument)
{
    m_platform.m_bOpenSucceeds = false;
    m_handler.m_entry = SDesktopEntry{"/x/web.desktop", R"("/opt/web/web" --new-tab "%u")", "Web", ""};
    EXPECT_GT(OpenLinkTarget(kTarget), 32);
    ASSERT_EQ(m_handler.m_started.size(), 1u);
    EXPECT_EQ(m_handler.m_started[0], (QStringList{"/opt/web/web", "--new-tab", kTarget}));
}

TEST_F(OpenLinkTargetTest, ReportsWhatFailed)
{
    m_platform.m_bOpenSucceeds = false;
    EXPECT_EQ(OpenLinkTarget(kTarget), 31); // nothing registered
    m_handler.m_entry = SDesktopEntry{"/x/web.desktop", "web %u", "Web", ""};
    m_handler.m_nStartError = ENOENT;
    EXPECT_EQ(OpenLinkTarget(kTarget), 2);
    m_handler.m_nStartError = EACCES;
    EXPECT_EQ(OpenLinkTarget(kTarget), 5);
    m_handler.m_nStartError = kUnknownStartError;
    EXPECT_EQ(OpenLinkTarget(kTarget), -1);
    m_handler.m_entry->strExec = R"(sh -c "web %u")";
    m_handler.m_started.clear();
    EXPECT_EQ(OpenLinkTarget(kTarget), 27);
    EXPECT_TRUE(m_handler.m_started.empty());
}

TEST(DesktopHtmlHandler, ChecksTheProgramBeforeStartingIt)
{
    CTempFolder folder;
    const QString dir = QString::fromStdString(folder.Path().string());
    const QString plain = dir + "/plain";
    WriteFile(plain, "#!/bin/sh\n");
    EXPECT_EQ(CheckExecutable(dir + "/missing"), ENOENT);
    EXPECT_EQ(CheckExecutable(plain), EACCES);
    EXPECT_EQ(CheckExecutable(dir), EACCES);
    EXPECT_EQ(CheckExecutable("tessaly-no-such-program"), ENOENT);
    EXPECT_EQ(CheckExecutable("sh"), 0);
    EXPECT_EQ(CheckExecutable("/bin/sh"), 0);
    CDesktopHtmlHandler desktop;
    EXPECT_EQ(desktop.StartDetached(dir + "/missing", {kTarget}), ENOENT);
    EXPECT_EQ(desktop.StartDetached(plain, {kTarget}), EACCES);
}

TEST(DesktopEntry, ReadsTheLaunchKeysOfTheMainGroupUnescaped)
{
    CTempFolder folder;
    const QString path = QString::fromStdString(folder.File("web.desktop"));
    WriteFile(path,
              "# A browser\n[Desktop Entry]\nType=Application\nName = Web\\sBrowser\nName[de]=Netz\n"
              "Icon=web\nExec=\"/opt/my web/run\" --say \"a \\\\\\\\ b\" %u\n\n"
              "[Desktop Action private]\nExec=web --private %u\nName=Private\n");
    const auto entry = ReadDesktopEntry(path);
    ASSERT_TRUE(entry.has_value());
    EXPECT_EQ(entry->strPath, path);
    EXPECT_EQ(entry->strName, "Web Browser");
    EXPECT_EQ(entry->strIcon, "web");
    EXPECT_EQ(entry->strExec, R"("/opt/my web/run" --say "a \\ b" %u)");

    WriteFile(path, "[Desktop Entry]\nName=No command\n[Other]\nExec=web\n");
    EXPECT_EQ(ReadDesktopEntry(path), std::nullopt);
    EXPECT_EQ(ReadDesktopEntry(path + ".missing"), std::nullopt);
}

TEST(DesktopEntry, IsFoundInTheFirstDataFolderThatHasIt)
{
    CTempFolder folder;
    const QString user = QString::fromStdString(folder.File("user/applications"));
    const QString system = QString::fromStdString(folder.File("system/applications"));
    WriteFile(user + "/web.desktop", "");
    WriteFile(system + "/web.desktop", "");
    WriteFile(system + "/other.desktop", "");
    WriteFile(system + "/vendor/web-browser.desktop", "");
    EXPECT_EQ(FindDesktopFile("web.desktop", {user, system}), user + "/web.desktop");
    EXPECT_EQ(FindDesktopFile("other.desktop", {user, system}), system + "/other.desktop");
    EXPECT_EQ(FindDesktopFile("vendor-web-browser.desktop", {user, system}), system + "/vendor/web-browser.desktop");
    EXPECT_EQ(FindDesktopFile("none.desktop", {user, system}), "");
    EXPECT_EQ(FindDesktopFile("../applications/web.desktop", {system + "/vendor"}), "");
    EXPECT_EQ(FindDesktopFile("", {user}), "");
}
