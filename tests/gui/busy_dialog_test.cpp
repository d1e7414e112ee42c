// Every control of the main dialog used while a job runs: the job finishes undisturbed and nothing else starts.
#include "app/stereo_dlg.h"
#include "engine/depth_map_job.h"
#include "engine/file_names.h"
#include "engine/image_file.h"
#include "gui/gui_test_support.h"
#include "resources/resource_ids.h"
#include "support/recording_host.h"
#include "support/test_images.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QSlider>
#include <QTest>

#include <gtest/gtest.h>

#include <algorithm>
#include <memory>
#include <random>

namespace {

// A pair whose search takes seconds at the settings below, so that every
// control can be tried while it runs.
class BusyDialogTest : public testing::Test {
protected:
    BusyDialogTest()
        : m_closer([this](QWidget& modal) { m_modals.push_back(modal.windowTitle().toStdString()); })
    {
        std::mt19937 random(17);
        m_left = RandomImage(160, 120, random);
        m_right = ShiftedCopy(m_left, 5, random);
        WriteImage(m_left, m_folder.File("left.bmp"));
        WriteImage(m_right, m_folder.File("right.bmp"));
        m_pDialog = std::make_unique<CStereoDlg>();
        m_pDialog->show();
        m_platform.m_openPaths = {m_folder.File("left.bmp"), m_folder.File("right.bmp")};
        Click(IDC_OPEN_LEFT);
        Click(IDC_OPEN_RIGHT);
        m_pDialog->GetItem<QSlider>(IDC_PARALLAX_X_SLIDER)->setValue(40);
        m_pDialog->GetItem<QSlider>(IDC_PARALLAX_Y_SLIDER)->setValue(20);
        m_pDialog->m_job.m_bReferenceSearch = true; // the literal search, slow enough on any machine
    }

    void Click(int nId) { QTest::mouseClick(m_pDialog->GetItem<QAbstractButton>(nId), Qt::LeftButton); }

    // The map the same settings give without the dialog.
    std::string ReferenceMap() const
    {
        CTempFolder folder;
        WriteImage(m_left, folder.File("left.bmp"));
        WriteImage(m_right, folder.File("right.bmp"));
        CRecordingHost host;
        CDepthMapJob job(host);
        job.m_strLeftPath = folder.File("left.bmp");
        job.m_strRightPath = folder.File("right.bmp");
        job.m_strLeftBase = folder.File("left");
        job.m_strRightBase = folder.File("right");
        job.m_nMaxParallaxX = 40;
        job.m_nMaxParallaxY = 20;
        return job.RunJob(false) ? ReadBytes(job.m_strDepthMapPath) : std::string();
    }

    CRecordingPlatform m_platform;
    CTempFolder m_folder;
    std::vector<std::string> m_modals;
    CModalCloser m_closer;
    CImage m_left, m_right;
    std::unique_ptr<CStereoDlg> m_pDialog;
};

} // namespace

TEST_F(BusyDialogTest, EveryCommandDuringAJobLeavesItsResultAsIfAlone)
{
    Click(IDC_CREATE_LEFT);
    ASSERT_TRUE(m_pDialog->IsJobRunning());
    for (const int nId :
         {IDC_OPEN_LEFT, IDC_OPEN_RIGHT, IDC_CREATE_LEFT, IDC_CREATE_RIGHT, IDC_SMOOTHING, IDC_SOURCE_MODE,
          IDC_GRADIENT_MODE, IDC_HELP_BUTTON, IDC_ABOUT_BUTTON, IDC_PREVIEW_CHECK, IDC_PREVIEW_CHECK}) {
        Click(nId);
        QTest::qWait(20);
    }
    for (const int nId : {IDC_FRAGMENT_SLIDER, IDC_PARALLAX_X_SLIDER, IDC_PARALLAX_Y_SLIDER, IDC_SPEED_SLIDER})
        QTest::keyClick(m_pDialog->GetItem<QSlider>(nId), Qt::Key_End);
    QTest::keyClick(m_pDialog->GetItem<QComboBox>(IDC_SAVE_FORMAT), Qt::Key_Down);
    QTest::keyClick(m_pDialog.get(), Qt::Key_Escape);
    EXPECT_TRUE(m_pDialog->IsJobRunning()) << "the pair was searched too fast to try every control meanwhile";

    ASSERT_TRUE(WaitUntil([this] { return !m_pDialog->IsJobRunning(); }, 600000));
    // The about box may have come and gone meanwhile; the preview comes once.
    const auto previews = [this] { return std::count(m_modals.begin(), m_modals.end(), "Image Preview"); };
    ASSERT_TRUE(WaitUntil([&] { return previews() == 1; })) << testing::PrintToString(m_modals);
    QTest::qWait(50);
    EXPECT_EQ(previews(), 1);
    EXPECT_TRUE(m_platform.m_messages.empty()) << testing::PrintToString(m_platform.m_messages);
    EXPECT_EQ(m_platform.m_opened.size(), 1u); // the help page
    EXPECT_EQ(m_folder.Files(),
              (std::vector<std::string>{"left-3dmap.bmp", "left-xd.bmp", "left-yd.bmp", "left.bmp", "right.bmp"}));
    EXPECT_EQ(ReadBytes(m_folder.File("left-3dmap.bmp")), ReferenceMap());
    EXPECT_EQ(m_pDialog->m_job.m_nMaxParallaxX, 40);
    EXPECT_EQ(m_pDialog->m_job.m_nMaxParallaxY, 20);
    for (const int nId : {IDC_OPEN_LEFT, IDC_CREATE_LEFT, IDC_CREATE_RIGHT, IDC_SMOOTHING, IDC_SAVE_FORMAT})
        EXPECT_TRUE(m_pDialog->GetDlgItem(nId)->isEnabled()) << nId;
}
