// The main dialog: start values, the settings' handlers, choosing and refusing images, Help, About, Escape and Enter.
#include "app/stereo_dlg.h"
#include "gui/gui_test_support.h"
#include "preview/preview_pane.h"
#include "resources/resource_ids.h"
#include "support/test_images.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>

namespace {

class StereoDlgTest : public testing::Test {
protected:
    StereoDlgTest() { m_dialog.show(); }

    QString Text(int nId) { return m_dialog.GetItem<QLineEdit>(nId)->text(); }
    QSlider& Slider(int nId) { return *m_dialog.GetItem<QSlider>(nId); }
    QString Label(int nId) { return m_dialog.GetItem<QLabel>(nId)->text(); }
    void Click(int nId) { m_dialog.GetItem<QAbstractButton>(nId)->click(); }

    CRecordingPlatform m_platform;
    CTempFolder m_folder;
    CStereoDlg m_dialog;
};

} // namespace

TEST_F(StereoDlgTest, StartsWithTheFixedSettings)
{
    EXPECT_EQ(m_dialog.windowTitle(), "Tessaly 1.3");
    EXPECT_EQ(g_pMainDlg, &m_dialog);
    EXPECT_TRUE(m_dialog.GetDlgItem(IDC_OPEN_LEFT)->isVisible());
    EXPECT_FALSE(m_dialog.GetDlgItem(IDC_LEFT_FRAME)->isVisible());
    EXPECT_EQ(Text(IDC_FRAGMENT_EDIT), "2");
    EXPECT_EQ(Text(IDC_PARALLAX_X_EDIT), "0");
    EXPECT_EQ(Text(IDC_PARALLAX_Y_EDIT), "0");
    EXPECT_EQ(Text(IDC_SPEED_EDIT), "1");
    for (int nId : {IDC_FRAGMENT_EDIT, IDC_PARALLAX_X_EDIT, IDC_PARALLAX_Y_EDIT, IDC_SPEED_EDIT})
        EXPECT_FALSE(m_dialog.GetDlgItem(nId)->isEnabled());
    EXPECT_EQ(Slider(IDC_FRAGMENT_SLIDER).minimum(), 1);
    EXPECT_EQ(Slider(IDC_FRAGMENT_SLIDER).maximum(), 64);
    EXPECT_EQ(Slider(IDC_FRAGMENT_SLIDER).value(), 1);
    EXPECT_EQ(Slider(IDC_PARALLAX_X_SLIDER).maximum(), 128);
    EXPECT_EQ(Slider(IDC_PARALLAX_Y_SLIDER).value(), 0);
    EXPECT_EQ(Slider(IDC_SPEED_SLIDER).minimum(), 1);
    EXPECT_EQ(Slider(IDC_SPEED_SLIDER).maximum(), 10);
    EXPECT_EQ(Slider(IDC_SPEED_SLIDER).tickPosition(), QSlider::TicksAbove);
    EXPECT_EQ(Slider(IDC_FRAGMENT_SLIDER).tickPosition(), QSlider::NoTicks);
    QComboBox& format = *m_dialog.GetItem<QComboBox>(IDC_SAVE_FORMAT);
    EXPECT_EQ(format.currentText(), "BMP");
    EXPECT_EQ(format.count(), 3);
    EXPECT_TRUE(m_dialog.GetItem<QRadioButton>(IDC_SOURCE_MODE)->isChecked());
    EXPECT_TRUE(m_dialog.GetItem<QCheckBox>(IDC_PREVIEW_CHECK)->isChecked());
    EXPECT_EQ(Label(IDC_STATUS), "Ready");
    EXPECT_EQ(Label(IDC_LEFT_NAME), "...");
    EXPECT_EQ(Label(IDC_RIGHT_NAME), "...");
    EXPECT_EQ(m_dialog.m_job.m_nSaveFormat, 0);
    EXPECT_EQ(m_dialog.m_job.m_bAnalyzeSource, 1);
    EXPECT_EQ(m_dialog.m_job.m_bPreview, 1);
    EXPECT_EQ(g_wndLeftThumb.Window()->geometry(), m_dialog.GetItemRect(IDC_LEFT_FRAME));
    EXPECT_EQ(g_wndRightThumb.Window()->geometry(), m_dialog.GetItemRect(IDC_RIGHT_FRAME));
}

TEST_F(StereoDlgTest, TrackbarsWriteTheirValueBoxes)
{
    Slider(IDC_FRAGMENT_SLIDER).setValue(64);
    EXPECT_EQ(Text(IDC_FRAGMENT_EDIT), "128");
    QTest::keyClick(&Slider(IDC_FRAGMENT_SLIDER), Qt::Key_Home);
    EXPECT_EQ(Text(IDC_FRAGMENT_EDIT), "2");
    QTest::keyClick(&Slider(IDC_FRAGMENT_SLIDER), Qt::Key_Right);
    EXPECT_EQ(Text(IDC_FRAGMENT_EDIT), "4");
    Slider(IDC_PARALLAX_X_SLIDER).setValue(17);
    Slider(IDC_PARALLAX_Y_SLIDER).setValue(5);
    Slider(IDC_SPEED_SLIDER).setValue(3);
    EXPECT_EQ(Text(IDC_PARALLAX_X_EDIT), "17");
    EXPECT_EQ(Text(IDC_PARALLAX_Y_EDIT), "5");
    EXPECT_EQ(Text(IDC_SPEED_EDIT), "3");
    // Page Up moves a fifth of the range, as trackbars do by default.
    QTest::keyClick(&Slider(IDC_PARALLAX_X_SLIDER), Qt::Key_PageUp);
    EXPECT_EQ(Text(IDC_PARALLAX_X_EDIT), "42");
}

TEST_F(StereoDlgTest, ModeCheckBoxAndFormatHandlersSetTheJob)
{
    Click(IDC_GRADIENT_MODE);
    EXPECT_FALSE(m_dialog.GetItem<QRadioButton>(IDC_SOURCE_MODE)->isChecked());
    EXPECT_EQ(m_dialog.m_job.m_bAnalyzeSource, 0);
    Click(IDC_SOURCE_MODE);
    EXPECT_EQ(m_dialog.m_job.m_bAnalyzeSource, 1);
    Click(IDC_PREVIEW_CHECK);
    EXPECT_EQ(m_dialog.m_job.m_bPreview, 0);
    Click(IDC_PREVIEW_CHECK);
    EXPECT_EQ(m_dialog.m_job.m_bPreview, 1);
    QComboBox& format = *m_dialog.GetItem<QComboBox>(IDC_SAVE_FORMAT);
    QTest::keyClick(&format, Qt::Key_Down);
    EXPECT_EQ(m_dialog.m_job.m_nSaveFormat, 1);
    QTest::keyClick(&format, Qt::Key_Down);
    EXPECT_EQ(format.currentText(), "TIFF");
    EXPECT_EQ(m_dialog.m_job.m_nSaveFormat, 2);
}

TEST_F(StereoDlgTest, OpensA24BitImageWithItsNameBaseAndThumbnail)
{
    const std::string path = m_folder.File("tower.view.png");
    WriteImage(UniformImage(300, 200, 10, 20, 30), path);
    m_platform.m_openPaths = {path};
    Click(IDC_OPEN_LEFT);
    EXPECT_EQ(m_dialog.m_job.m_strLeftPath, path);
    EXPECT_EQ(m_dialog.m_job.m_strLeftBase, m_folder.File("tower.view"));
    EXPECT_EQ(Label(IDC_LEFT_NAME), "tower.view.png");
    EXPECT_EQ(g_wndLeftThumb.Path(), path);
    EXPECT_TRUE(g_wndLeftThumb.Geometry().IsFit());
    EXPECT_TRUE(m_dialog.m_job.m_strRightPath.empty());
    EXPECT_TRUE(m_platform.m_messages.empty());

    // Cancelling the file dialog changes nothing.
    Click(IDC_OPEN_LEFT);
    EXPECT_EQ(m_dialog.m_job.m_strLeftPath, path);
}

TEST_F(StereoDlgTest, RefusesImagesThatAreNotRgbKeepingTheOldThumbnail)
{
    const std::string good = m_folder.File("right.bmp");
    const std::string grey = m_folder.File("grey.png");
    const std::string alpha = m_folder.File("alpha.png");
    const std::string missing = m_folder.File("missing.jpg");
    WriteImage(UniformImage(40, 30, 1, 2, 3), good);
    SaveWithDepth(grey, 40, 30, 8);
    SaveWithDepth(alpha, 40, 30, 32);
    m_platform.m_openPaths = {good, alpha, grey, missing};
    Click(IDC_OPEN_RIGHT);
    Click(IDC_OPEN_RIGHT);
    Click(IDC_OPEN_RIGHT);
    EXPECT_EQ(m_platform.m_messages, std::vector<std::string>(2, "The right image is not in RGB colour mode!"));
    EXPECT_TRUE(m_dialog.m_job.m_strRightPath.empty());
    EXPECT_EQ(m_dialog.m_job.m_strRightBase, m_folder.File("grey"));
    EXPECT_EQ(Label(IDC_RIGHT_NAME), "right.bmp");
    EXPECT_EQ(g_wndRightThumb.Path(), good);

    // A file that cannot be loaded: the load message, then the refusal.
    m_platform.m_messages.clear();
    Click(IDC_OPEN_RIGHT);
    EXPECT_EQ(m_platform.m_messages,
              (std::vector<std::string>{"Couldn't load bitmap!", "The right image is not in RGB colour mode!"}));
    EXPECT_EQ(m_dialog.m_job.m_strRightBase, m_folder.File("missing"));
}

// A stereo file fills both sides with its views, written beside it; one
// with no second view is refused and changes nothing.
TEST_F(StereoDlgTest, AStereoFileOpensBothSidesOfThePair)
{
    std::mt19937 random(3);
    const std::string jpeg = EncodeJpeg(RandomImage(64, 20, random));
    WriteBytes(m_folder.File("single.mpo"), jpeg);
    WriteBytes(m_folder.File("scene.jps"), jpeg);
    m_platform.m_openPaths = {m_folder.File("single.mpo"), m_folder.File("scene.jps")};
    Click(IDC_OPEN_RIGHT);
    ASSERT_EQ(m_platform.m_messages.size(), 1u);
    EXPECT_NE(m_platform.m_messages[0].find(m_folder.File("single.mpo")), std::string::npos);
    EXPECT_TRUE(m_dialog.m_job.m_strLeftPath.empty() && m_dialog.m_job.m_strRightPath.empty());
    EXPECT_EQ(m_folder.Files(), (std::vector<std::string>{"scene.jps", "single.mpo"}));
    Click(IDC_OPEN_RIGHT);
    for (const auto& [side, nId] : {std::pair<std::string, int>{"left", IDC_LEFT_NAME}, {"right", IDC_RIGHT_NAME}}) {
        const std::string path = m_folder.File("scene-" + side + ".bmp");
        EXPECT_EQ(side == "left" ? m_dialog.m_job.m_strLeftPath : m_dialog.m_job.m_strRightPath, path);
        EXPECT_EQ(Label(nId), QString::fromStdString("scene-" + side + ".bmp"));
        EXPECT_EQ((side == "left" ? g_wndLeftThumb : g_wndRightThumb).Path(), path);
    }
}

TEST_F(StereoDlgTest, HelpOpensThePageBesideTheExecutable)
{
    Click(IDC_HELP_BUTTON);
    ASSERT_EQ(m_platform.m_opened.size(), 1u);
    EXPECT_EQ(m_platform.m_opened[0].toLocalFile(), QCoreApplication::applicationDirPath() + "/help/map-help.htm");
    EXPECT_TRUE(m_platform.m_messages.empty());
    m_platform.m_bOpenSucceeds = false;
    Click(IDC_HELP_BUTTON);
    EXPECT_EQ(m_platform.m_messages, std::vector<std::string>{"Couldn't launch browser!"});
}

TEST(AppHelpPage, IsCopiedBesideTheAppInTheBuildTree)
{
    std::ifstream page(TESSALY_APP_HELP_PAGE);
    const std::string text((std::istreambuf_iterator<char>(page)), std::istreambuf_iterator<char>());
    EXPECT_NE(text.find("-3dmap."), std::string::npos);
}

TEST_F(StereoDlgTest, AboutComesFromTheButtonAndTheMenuCommand)
{
    CModalCloser closer([](QWidget& modal) { EXPECT_EQ(modal.windowTitle(), "About Tessaly"); });
    Click(IDC_ABOUT_BUTTON);
    ASSERT_NE(m_dialog.SystemMenu(), nullptr);
    const QList<QAction*> actions = m_dialog.SystemMenu()->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->text(), "&About Vantor...");
    actions[0]->trigger();
    EXPECT_EQ(closer.Count(), 2);
}

TEST_F(StereoDlgTest, EscapeDoesNothingWhileEnterOffAButtonEndsTheDialog)
{
    m_dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&m_dialog));
    QTest::keyClick(&m_dialog, Qt::Key_Escape);
    EXPECT_TRUE(m_dialog.isVisible());
    m_dialog.GetDlgItem(IDC_PARALLAX_X_SLIDER)->setFocus();
    QTest::keyClick(m_dialog.GetDlgItem(IDC_PARALLAX_X_SLIDER), Qt::Key_Escape);
    EXPECT_TRUE(m_dialog.isVisible());

    // Enter on a push button presses it; elsewhere it ends the dialog.
    CModalCloser closer([](QWidget&) {});
    m_dialog.GetDlgItem(IDC_ABOUT_BUTTON)->setFocus();
    QTest::keyClick(m_dialog.GetDlgItem(IDC_ABOUT_BUTTON), Qt::Key_Return);
    EXPECT_EQ(closer.Count(), 1);
    EXPECT_TRUE(m_dialog.isVisible());
    m_dialog.GetDlgItem(IDC_PARALLAX_X_SLIDER)->setFocus();
    QTest::keyClick(m_dialog.GetDlgItem(IDC_PARALLAX_X_SLIDER), Qt::Key_Return);
    EXPECT_FALSE(m_dialog.isVisible());
    EXPECT_EQ(m_dialog.result(), QDialog::Accepted);
}
