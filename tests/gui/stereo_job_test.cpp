// The main dialog's jobs: which side each Create button makes with which settings, the preview after it, the
// controls held off meanwhile, the focus afterwards, the stage reports on the status line and the progress bar, and
// ending during a job.
#include "gui/gui_test_support.h"

#include <QProgressBar>

using StereoJobTest = MainDialogTest;

// The value boxes are the settings; the preview follows when "Preview
// images" is checked. The preview comes on the dialog's thread as the job
// ends, before it counts as over. A Create button pressed from the keyboard
// is disabled for its job, which moves the focus on to another button; the
// focus comes back after the job, unless the user has moved it meanwhile.
TEST_F(StereoJobTest, EachCreateButtonMakesItsSidesDepthMapWithTheBoxesSettings)
{
    OpenPair(24, 16);
    const std::pair<int, int> settings[]
        = {{IDC_FRAGMENT_SLIDER, 2}, {IDC_PARALLAX_X_SLIDER, 8}, {IDC_PARALLAX_Y_SLIDER, 2}, {IDC_SPEED_SLIDER, 2}};
    for (const auto& [nSlider, nValue] : settings)
        Slider(nSlider).setValue(nValue);
    QWidget* pPreviewCheck = m_pMain->GetDlgItem(IDC_PREVIEW_CHECK);
    for (const auto& [nButton, map, bMoved] :
         {std::tuple(IDC_CREATE_LEFT, "left-3dmap.bmp", false), {IDC_CREATE_RIGHT, "right-3dmap.bmp", true}}) {
        m_modals.clear();
        QWidget* pButton = m_pMain->GetDlgItem(nButton);
        pButton->setFocus();
        QTest::keyClick(pButton, Qt::Key_Space);
        ASSERT_TRUE(m_pMain->IsJobRunning());
        if (bMoved)
            pPreviewCheck->setFocus();
        ASSERT_TRUE(WaitForJob());
        EXPECT_EQ(std::tuple(Job().m_settings.m_nFragmentSize, Job().m_settings.m_nMaxParallaxX,
                             Job().m_settings.m_nMaxParallaxY, Job().m_settings.m_nSpeedFactor),
                  std::tuple(4, 8, 2, 2)); // as the boxes give them: the job never writes its settings
        EXPECT_EQ(std::tuple(Job().m_strDepthMapPath, m_modals, Text(IDC_STATUS), m_pMain->focusWidget()),
                  std::tuple(m_folder.File(map), Job().m_bPreview ? TTexts{m_folder.File(map)} : TTexts{}, "Ready",
                             bMoved ? pPreviewCheck : pButton));
        Click(*m_pMain, IDC_PREVIEW_CHECK);
    }
    EXPECT_TRUE(m_platform.m_messages.empty());
}

// A job without images waits at its first message until the dialog's
// thread shows it, so it runs for as long as no event is processed. Its
// status arrives before its message; the preview then says that there is no
// map yet. Pressed from the keyboard, the failed job's button has the focus again.
TEST_F(StereoJobTest, EveryControlIsEnabledAsARunningJobAllows)
{
    const std::set<int> heldOff{IDC_OPEN_LEFT,       IDC_OPEN_RIGHT,        IDC_CREATE_LEFT,  IDC_CREATE_RIGHT,
                                IDC_SMOOTHING,       IDC_SAVE_FORMAT,       IDC_SOURCE_MODE,  IDC_GRADIENT_MODE,
                                IDC_FRAGMENT_SLIDER, IDC_PARALLAX_X_SLIDER, IDC_SPEED_SLIDER, IDC_PARALLAX_Y_SLIDER};
    const std::set<int> disabled{IDC_FRAGMENT_EDIT, IDC_PARALLAX_X_EDIT, IDC_PARALLAX_Y_EDIT, IDC_SPEED_EDIT};
    std::vector<QString> statuses; // at each message
    m_platform.m_onMessage = [&](const std::string&) { statuses.push_back(Text(IDC_STATUS)); };
    ExpectEnabled(*m_pMain, heldOff, disabled, false);
    QWidget* pButton = m_pMain->GetDlgItem(IDC_CREATE_LEFT);
    pButton->setFocus();
    QTest::keyClick(pButton, Qt::Key_Space);
    ASSERT_TRUE(m_pMain->IsJobRunning());
    ExpectEnabled(*m_pMain, heldOff, disabled, true);
    ASSERT_TRUE(WaitForJob());
    ExpectEnabled(*m_pMain, heldOff, disabled, false);
    EXPECT_EQ(std::tuple(m_platform.m_messages, statuses, m_modals, m_pMain->focusWidget()),
              std::tuple(TTexts{"Couldn't load bitmap!", "CPreviewPane::LoadFile(): no file name provided"},
                         std::vector<QString>{kStatusDepthMap, kStatusReady}, TTexts{""}, pButton));
}

// Reports made on the dialog's own thread arrive at once.
TEST_F(StereoJobTest, StageReportsDriveTheProgressBar)
{
    CDialogStageHost& host = m_pMain->m_host;
    const QProgressBar& bar = *m_pMain->GetItem<QProgressBar>(IDC_PROGRESS);
    host.SetProgressRange(2);
    std::vector<int> values; // after four steps and a reset: past the end the bar starts over
    for (int n = 0; n < 5; ++n)
        (n < 4 ? host.StepProgress() : host.ResetProgress()), values.push_back(bar.value());
    EXPECT_EQ(values, (std::vector<int>{1, 2, 0, 1, 0}));
    host.SetProgressRange(0); // work of unknown length, such as reading the sources: a busy bar
    EXPECT_EQ(std::tuple(bar.minimum(), bar.maximum()), std::tuple(0, 0));
}

// The job is cancelled at once: its pending message is dropped and no
// preview follows, whether the close box or Enter away from a button ends
// the dialog.
TEST_F(StereoJobTest, EndingTheDialogDuringAJobCancelsItAndShowsNothingMore)
{
    for (const bool bEnter : {false, true}) {
        m_pMain = std::make_unique<CStereoDlg>();
        m_pMain->show();
        Click(*m_pMain, IDC_CREATE_LEFT);
        m_pMain->GetDlgItem(IDC_PREVIEW_CHECK)->setFocus();
        if (bEnter)
            QTest::keyClick(m_pMain->GetDlgItem(IDC_PREVIEW_CHECK), Qt::Key_Return);
        else
            m_pMain->close();
        EXPECT_EQ(std::tuple(m_pMain->isVisible(), m_pMain->m_host.IsCancelled()), std::tuple(false, true));
        ASSERT_TRUE(WaitForJob());
        EXPECT_TRUE(m_platform.m_messages.empty() && m_modals.empty());
    }
}
