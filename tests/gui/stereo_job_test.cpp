// The Create commands: a job with no images, real jobs that write their files and open the preview,
// commands held off during a job, and ending the dialog while a job runs.
#include "app/stereo_dlg.h"
#include "gui/gui_test_support.h"
#include "platform/dialog_stage_host.h"
#include "preview/preview_dlg.h"
#include "preview/preview_pane.h"
#include "resources/resource_ids.h"
#include "support/test_images.h"

#include <QComboBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>
#include <random>
#include <thread>

namespace {

struct SPreviewSeen {
    std::string title;
    std::string fileName;
    bool bHasImage = false;
};

class StereoJobTest : public testing::Test {
protected:
    StereoJobTest()
        : m_closer([this](QWidget& modal) {
            auto* pPreview = qobject_cast<CPreviewDlg*>(&modal);
            if (pPreview != nullptr)
                m_previews.push_back({pPreview->windowTitle().toStdString(),
                                      pPreview->GetItem<QLabel>(IDC_FILE_NAME)->text().toStdString(),
                                      g_wndPreviewPane.HasImage()});
        })
    {
        m_pDialog = std::make_unique<CStereoDlg>();
        m_pDialog->show();
        m_platform.m_onMessage = [this](const std::string&) { m_statusAtMessage.push_back(Status()); };
    }

    std::string Status() { return m_pDialog->GetItem<QLabel>(IDC_STATUS)->text().toStdString(); }
    void Click(int nId) { m_pDialog->GetItem<QAbstractButton>(nId)->click(); }
    bool WaitForJob()
    {
        return WaitUntil([this] { return !m_pDialog->IsJobRunning(); });
    }

    // A left and a right image of one textured scene, shifted by 2 pixels.
    void OpenPair(const std::string& extension, int nWidth = 24, int nHeight = 16)
    {
        std::mt19937 random(7);
        const CImage left = RandomImage(nWidth, nHeight, random);
        WriteImage(left, m_folder.File("left." + extension));
        WriteImage(ShiftedCopy(left, 2, random), m_folder.File("right." + extension));
        m_platform.m_openPaths = {m_folder.File("left." + extension), m_folder.File("right." + extension)};
        Click(IDC_OPEN_LEFT);
        Click(IDC_OPEN_RIGHT);
    }

    CRecordingPlatform m_platform;
    CTempFolder m_folder;
    std::vector<SPreviewSeen> m_previews;
    std::vector<std::string> m_statusAtMessage;
    CModalCloser m_closer;
    std::unique_ptr<CStereoDlg> m_pDialog;
};

} // namespace

TEST_F(StereoJobTest, WithoutImagesTheJobReportsTheLoadThenPreviewsNothing)
{
    Click(IDC_CREATE_LEFT);
    ASSERT_TRUE(WaitUntil([this] { return m_previews.size() == 1; }));
    EXPECT_EQ(m_platform.m_messages,
              (std::vector<std::string>{"Couldn't load bitmap!", "CPreviewPane::LoadFile(): no file name provided"}));
    EXPECT_EQ(m_statusAtMessage.back(), "Ready");
    EXPECT_EQ(m_previews[0].title, "Image Preview");
    EXPECT_EQ(m_previews[0].fileName, "");
    EXPECT_FALSE(m_previews[0].bHasImage);
    EXPECT_TRUE(m_folder.Files().empty());
}

TEST_F(StereoJobTest, LeftJobWritesItsFilesAndPreviewsTheDepthMap)
{
    OpenPair("bmp");
    m_pDialog->GetItem<QSlider>(IDC_PARALLAX_X_SLIDER)->setValue(4);
    Click(IDC_CREATE_LEFT);
    ASSERT_TRUE(WaitUntil([this] { return m_previews.size() == 1; }));
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ(m_folder.Files(),
              (std::vector<std::string>{"left-3dmap.bmp", "left-xd.bmp", "left-yd.bmp", "left.bmp", "right.bmp"}));
    EXPECT_EQ(m_pDialog->m_job.m_nMaxParallaxX, 4);
    EXPECT_EQ(m_pDialog->m_job.m_nFragmentSize, 2);
    EXPECT_EQ(m_previews[0].fileName, m_folder.File("left-3dmap.bmp"));
    EXPECT_TRUE(m_previews[0].bHasImage);
    EXPECT_EQ(Status(), "Ready");
}

TEST_F(StereoJobTest, RightGradientJobUsesTheChosenFormatAndSpeed)
{
    OpenPair("png", 40, 30);
    Click(IDC_PREVIEW_CHECK);
    Click(IDC_GRADIENT_MODE);
    QTest::keyClick(m_pDialog->GetItem<QComboBox>(IDC_SAVE_FORMAT), Qt::Key_Down); // PNG
    m_pDialog->GetItem<QSlider>(IDC_SPEED_SLIDER)->setValue(2);
    m_pDialog->GetItem<QSlider>(IDC_PARALLAX_X_SLIDER)->setValue(5);
    Click(IDC_CREATE_RIGHT);
    ASSERT_TRUE(WaitForJob());
    QTest::qWait(50);
    EXPECT_TRUE(m_previews.empty());
    EXPECT_TRUE(m_platform.m_messages.empty());
    EXPECT_EQ(m_folder.Files(),
              (std::vector<std::string>{"left-gradient.png", "left-resize.png", "left.png", "right-3dmap.png",
                                        "right-gradient.png", "right-resize.png", "right-xd.png", "right-yd.png",
                                        "right.png"}));
    EXPECT_EQ(m_pDialog->m_job.m_nMaxParallaxX, 3); // 5 / 2 rounds up
    EXPECT_EQ(m_pDialog->m_job.m_strDepthMapPath, m_folder.File("right-3dmap.png"));
}

TEST_F(StereoJobTest, CommandsThatWouldDisturbTheJobWaitForIt)
{
    Click(IDC_PREVIEW_CHECK);
    Click(IDC_CREATE_LEFT);
    EXPECT_TRUE(m_pDialog->IsJobRunning());
    for (int nId : {IDC_OPEN_LEFT, IDC_OPEN_RIGHT, IDC_CREATE_LEFT, IDC_CREATE_RIGHT, IDC_SMOOTHING, IDC_SAVE_FORMAT,
                    IDC_FRAGMENT_SLIDER, IDC_SPEED_SLIDER, IDC_SOURCE_MODE, IDC_GRADIENT_MODE})
        EXPECT_FALSE(m_pDialog->GetDlgItem(nId)->isEnabled()) << nId;
    for (int nId : {IDC_HELP_BUTTON, IDC_ABOUT_BUTTON, IDC_PREVIEW_CHECK})
        EXPECT_TRUE(m_pDialog->GetDlgItem(nId)->isEnabled()) << nId;
    ASSERT_TRUE(WaitForJob());
    EXPECT_TRUE(m_pDialog->GetDlgItem(IDC_CREATE_LEFT)->isEnabled());
    EXPECT_TRUE(m_pDialog->GetDlgItem(IDC_SOURCE_MODE)->isEnabled());
}

// Closing while a job shows a message: the job stops, the dialog ends
// without hanging, and no preview follows.
TEST_F(StereoJobTest, ClosingDuringAJobEndsItWithoutWaitingForTheUser)
{
    m_platform.m_onMessage = [this](const std::string&) { m_pDialog->close(); };
    Click(IDC_CREATE_LEFT);
    ASSERT_TRUE(WaitUntil([this] { return !m_pDialog->isVisible(); }));
    m_pDialog.reset();
    QTest::qWait(50);
    EXPECT_EQ(m_platform.m_messages, std::vector<std::string>{"Couldn't load bitmap!"});
    EXPECT_TRUE(m_previews.empty());
}

// Ending the dialog in the middle of a search leaves only whole files.
TEST_F(StereoJobTest, ClosingDuringASearchLeavesNoPartialFile)
{
    OpenPair("bmp", 160, 120);
    m_pDialog->GetItem<QSlider>(IDC_PARALLAX_X_SLIDER)->setValue(40);
    m_pDialog->GetItem<QSlider>(IDC_PARALLAX_Y_SLIDER)->setValue(40);
    Click(IDC_CREATE_LEFT);
    m_pDialog->close();
    m_pDialog.reset();
    for (const std::string& name : m_folder.Files())
        EXPECT_TRUE(name == "left.bmp" || name == "right.bmp" || name.find("-xd.") != std::string::npos
                    || name.find("-yd.") != std::string::npos || name.find("-3dmap.") != std::string::npos)
            << name;
    EXPECT_TRUE(m_platform.m_messages.empty());
}

TEST(DialogStageHost, AMessageWaitsUntilShownOrCancelled)
{
    CDialogStageHost host;
    std::vector<QString> shown;
    QObject::connect(&host, &CDialogStageHost::messageRequested, &host, [&](const QString& text) {
        shown.push_back(text);
        host.MessageShown();
    });
    std::thread worker([&] { host.ShowMessage("first"); });
    ASSERT_TRUE(WaitUntil([&] { return !shown.empty(); }));
    worker.join();
    EXPECT_EQ(shown, std::vector<QString>{"first"});

    // Nobody answers this one; cancelling lets the worker go on, and later
    // messages are not shown at all.
    QObject::disconnect(&host, nullptr, nullptr, nullptr);
    std::thread waiting([&] { host.ShowMessage("unanswered"); });
    host.Cancel();
    waiting.join();
    EXPECT_TRUE(host.IsCancelled());
    host.Reset();
    EXPECT_FALSE(host.IsCancelled());
}
