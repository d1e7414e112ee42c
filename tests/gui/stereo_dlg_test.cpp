// The main dialog while no job runs: its controls' start values, the settings' handlers, Escape, choosing images, the
// commands that open pages and dialogs.
#include "gui/gui_test_support.h"
#include "platform/digit_edit.h"
#include "preview/preview_pane.h"
#include "resources/string_table.h"

#include <QCheckBox>
#include <QComboBox>
#include <QMenu>
#include <QRadioButton>

#include <fstream>

using StereoDlgTest = MainDialogTest;

// Each trackbar writes its box, where the fragment size is twice the
// position, so it is always even; the first two boxes take digits only. The
// job starts as the controls say, and the mode buttons, the preview box and
// the format list set it: the list's order is the job's numbering of the
// formats. Escape does nothing.
TEST_F(StereoDlgTest, EveryControlStartsAsSetAndTheSettingsSetTheJob)
{
    ExpectTrackbar(*m_pMain, IDC_FRAGMENT_SLIDER, IDC_FRAGMENT_EDIT, {1, 64, 12, 1}, 2);
    ExpectTrackbar(*m_pMain, IDC_PARALLAX_X_SLIDER, IDC_PARALLAX_X_EDIT, {0, 128, 25, 0});
    ExpectTrackbar(*m_pMain, IDC_PARALLAX_Y_SLIDER, IDC_PARALLAX_Y_EDIT, {0, 128, 25, 0});
    ExpectTrackbar(*m_pMain, IDC_SPEED_SLIDER, IDC_SPEED_EDIT, {1, 10, 1, 1}, 1, QSlider::TicksAbove);
    EXPECT_TRUE(m_pMain->GetItem<CDigitEdit>(IDC_FRAGMENT_EDIT) && m_pMain->GetItem<CDigitEdit>(IDC_PARALLAX_X_EDIT)
                && m_pMain->findChildren<CDigitEdit*>().size() == 2);
    QComboBox& format = *m_pMain->GetItem<QComboBox>(IDC_SAVE_FORMAT);
    EXPECT_EQ(std::tuple(format.currentIndex(), format.itemText(kFormatBmp), format.itemText(kFormatPng),
                         format.itemText(kFormatTiff)),
              std::tuple(0, "BMP", "PNG", "TIFF"));
    EXPECT_EQ(std::tuple(m_pMain->GetItem<QRadioButton>(IDC_SOURCE_MODE)->isChecked(),
                         m_pMain->GetItem<QCheckBox>(IDC_PREVIEW_CHECK)->isChecked(), Text(IDC_STATUS)),
              std::tuple(true, true, "Ready"));
    EXPECT_EQ(std::tuple(Job().m_settings.m_saveFormat, Job().m_settings.m_bAnalyzeSource, Job().m_bPreview),
              std::tuple(0, 1, 1));
    Click(*m_pMain, IDC_GRADIENT_MODE);
    const bool bSourceInGradientMode = Job().m_settings.m_bAnalyzeSource;
    Click(*m_pMain, IDC_SOURCE_MODE);
    Click(*m_pMain, IDC_PREVIEW_CHECK);
    QTest::keyClick(&format, Qt::Key_End);
    EXPECT_EQ(std::tuple(bSourceInGradientMode, Job().m_settings.m_bAnalyzeSource, Job().m_bPreview,
                         Job().m_settings.m_saveFormat),
              std::tuple(0, 1, 0, kFormatTiff));
    EXPECT_EQ(g_wndLeftThumb.Window()->geometry(), m_pMain->GetItemRect(IDC_LEFT_FRAME));
    EXPECT_EQ(g_wndRightThumb.Window()->geometry(), m_pMain->GetItemRect(IDC_RIGHT_FRAME));
    QTest::keyClick(&Slider(IDC_PARALLAX_X_SLIDER), Qt::Key_Escape);
    EXPECT_TRUE(m_pMain->isVisible());
}

// A refused image leaves the side without a path, but its name and
// thumbnail still show the image accepted before; the base follows the
// refused name. A cancelled choice changes nothing.
TEST_F(StereoDlgTest, OpensA24BitImageAndRefusesOthersKeepingTheImageShown)
{
    const std::string good = m_folder.File("tower.view.bmp");
    ASSERT_TRUE(SaveImageFile(UniformImage(40, 30, 1, 2, 3), good, kFormatBmp));
    SaveWithDepth(m_folder.File("grey.png"), 40, 30, 1);
    const std::string refusal = "The right image is not in RGB colour mode!";
    const std::tuple<std::optional<std::string>, std::string, std::string, TTexts> choices[]
        = {{good, good, m_folder.File("tower.view"), {}},
           {std::nullopt, good, m_folder.File("tower.view"), {}},
           {m_folder.File("grey.png"), "", m_folder.File("grey"), {refusal}},
           {m_folder.File("missing.jpg"), "", m_folder.File("missing"), {"Couldn't load bitmap!", refusal}}};
    for (const auto& [chosen, path, base, messages] : choices) {
        m_platform.m_messages.clear();
        m_platform.m_openPaths = {chosen};
        Click(*m_pMain, IDC_OPEN_RIGHT);
        EXPECT_EQ(std::tuple(m_platform.m_messages, Job().m_pair.RightPath(), Job().m_pair.RightBase(),
                             g_wndRightThumb.Path(), Text(IDC_RIGHT_NAME)),
                  std::tuple(messages, path, base, good, "tower.view.bmp"));
    }
    EXPECT_EQ(std::tuple(Job().m_pair.LeftPath(), Text(IDC_LEFT_NAME)), std::tuple("", "..."));
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
    Click(*m_pMain, IDC_OPEN_LEFT);
    EXPECT_EQ(m_platform.m_messages.size(), 1u);
    EXPECT_EQ(std::tuple(Job().m_pair.LeftPath(), Job().m_pair.RightPath(), m_folder.Files().size()),
              std::tuple("", "", 2u));
    Click(*m_pMain, IDC_OPEN_LEFT);
    const std::string left = m_folder.File("scene-left.bmp"), right = m_folder.File("scene-right.bmp");
    EXPECT_EQ(std::tuple(Job().m_pair.LeftPath(), Job().m_pair.RightPath(), g_wndRightThumb.Path(), Text(IDC_LEFT_NAME),
                         Text(IDC_RIGHT_NAME)),
              std::tuple(left, right, right, "scene-left.bmp", "scene-right.bmp"));
}

// Help opens the page beside the executable. The About command also comes
// from the context menu, whose commands' low four bits belong to the platform.
TEST_F(StereoDlgTest, HelpAboutAndSmoothingOpenTheirPageAndDialogs)
{
    m_pMain->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(m_pMain.get()));
    Click(*m_pMain, IDC_HELP_BUTTON);
    QTest::keyClick(m_pMain.get(), Qt::Key_F1);
    m_platform.m_bOpenSucceeds = false;
    Click(*m_pMain, IDC_HELP_BUTTON);
    const QUrl page = QUrl::fromLocalFile(QCoreApplication::applicationDirPath() + "/help/map-help.htm");
    EXPECT_EQ(std::tuple(m_platform.m_opened, m_platform.m_messages),
              std::tuple(std::vector<QUrl>(3, page), TTexts{"Couldn't launch browser!"}));
    EXPECT_TRUE(std::ifstream(TESSALY_APP_HELP_PAGE).good()); // the build puts the page there
    Click(*m_pMain, IDC_ABOUT_BUTTON);
    ASSERT_TRUE(m_pMain->SystemMenu() != nullptr && m_pMain->SystemMenu()->actions().size() == 1);
    EXPECT_EQ(m_pMain->SystemMenu()->actions()[0]->text(), LoadResourceString(IDS_ABOUTBOX));
    m_pMain->SystemMenu()->actions()[0]->trigger();
    m_pMain->OnSysCommand(IDM_ABOUTBOX | 0x000F);
    m_pMain->OnSysCommand(IDM_ABOUTBOX + 0x0010);
    Click(*m_pMain, IDC_SMOOTHING);
    EXPECT_EQ(m_modals, (TTexts{"About Tessaly", "About Tessaly", "About Tessaly", "Segmentation Smoothing"}));
}
