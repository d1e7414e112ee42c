// The About box: template 100 laid out whole, its credits as links, and opening it from both commands.
#include "about/about_dlg.h"
#include "about/link_label.h"
#include "app/stereo_dlg.h"
#include "gui/about_test_support.h"
#include "gui/gui_test_support.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

#include <QAbstractButton>
#include <QLabel>
#include <QMenu>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

TEST(AboutDlg, ShowsTheIconTheVersionTheCreditsAndTheLibraryNote)
{
    CRecordingPlatform platform;
    CAboutDlg dialog;
    dialog.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&dialog));
    EXPECT_EQ(dialog.windowTitle(), "About Tessaly");
    EXPECT_EQ(dialog.size(), QSize(MapDialogX(235, dialog.BaseUnits()), MapDialogY(76, dialog.BaseUnits())));

    QStringList texts;
    // Nothing is cut off: each label lies in the box, each text fits its label.
    for (const QLabel* pLabel : dialog.findChildren<QLabel*>()) {
        EXPECT_TRUE(dialog.rect().contains(pLabel->geometry())) << pLabel->text().toStdString();
        if (!pLabel->pixmap().isNull()) {
            EXPECT_EQ(pLabel->size(), pLabel->pixmap().size()); // the icon, whole
            continue;
        }
        texts << pLabel->text();
        EXPECT_LE(pLabel->fontMetrics().horizontalAdvance(pLabel->text()), pLabel->width())
            << pLabel->text().toStdString();
    }
    texts.sort();
    EXPECT_EQ(texts,
              (QStringList{"FreeImage", "Tessaly 1.3", "The Qt Project", "This program uses the FreeImage library"}));
    auto* pOk = dialog.GetItem<QPushButton>(IDOK);
    ASSERT_NE(pOk, nullptr);
    EXPECT_EQ(pOk->text(), "OK");
    EXPECT_FALSE(pOk->isDefault()); // Enter presses it all the same
    QTest::keyClick(&dialog, Qt::Key_Return);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
}

TEST(AboutDlg, TheCreditsAreLinksToTheirPages)
{
    CRecordingPlatform platform;
    CScriptedHtmlHandler handler;
    CAboutDlg dialog;
    dialog.Initialise();
    ASSERT_EQ(dialog.m_staticFirstCredit, dialog.GetItem<CLinkLabel>(IDC_FIRST_CREDIT));
    ASSERT_EQ(dialog.m_staticSecondCredit, dialog.GetItem<CLinkLabel>(IDC_SECOND_CREDIT));
    for (CLinkLabel* pLink : {dialog.m_staticFirstCredit, dialog.m_staticSecondCredit}) {
        ASSERT_NE(pLink, nullptr);
        EXPECT_TRUE(pLink->IsAttached());
        EXPECT_EQ(pLink->toolTip(), pLink->m_strTarget);
        EXPECT_EQ(pLink->TextColour(), QColor(0, 0, 238));
        // Fitted to its text, so only the words themselves are the link.
        EXPECT_EQ(pLink->width(), QFontMetrics(pLink->m_fontUnderlined).horizontalAdvance(pLink->text()));
    }
    EXPECT_EQ(dialog.m_staticFirstCredit->m_strTarget, "https://www.qt.io");
    EXPECT_EQ(dialog.m_staticSecondCredit->m_strTarget, "https://freeimage.sourceforge.io");
    EXPECT_LE(dialog.m_staticFirstCredit->geometry().bottom(), dialog.m_staticSecondCredit->geometry().top());

    QTest::mouseClick(dialog.m_staticSecondCredit, Qt::LeftButton, {}, QPoint(1, 1));
    ASSERT_EQ(platform.m_opened.size(), 1u);
    EXPECT_EQ(platform.m_opened[0], QUrl("https://freeimage.sourceforge.io"));
    EXPECT_EQ(dialog.m_staticSecondCredit->TextColour(), QColor(85, 26, 139));
    EXPECT_EQ(dialog.m_staticFirstCredit->TextColour(), QColor(0, 0, 238));
}

// Each opening is a new box, so its links start unvisited.
TEST(AboutDlg, OpensFromTheAboutButtonAndTheSystemMenuCommand)
{
    CRecordingPlatform platform;
    CStereoDlg mainDialog;
    mainDialog.show();
    std::vector<QString> opened;
    CModalCloser closer([&](QWidget& modal) {
        auto* pAbout = qobject_cast<CAboutDlg*>(&modal);
        ASSERT_NE(pAbout, nullptr);
        EXPECT_EQ(pAbout->parentWidget(), &mainDialog);
        EXPECT_EQ(pAbout->m_staticFirstCredit->m_bWasOpened, 0);
        pAbout->m_staticFirstCredit->MarkOpened(true);
        opened.push_back(pAbout->windowTitle());
    });
    mainDialog.GetItem<QAbstractButton>(IDC_ABOUT_BUTTON)->click();
    ASSERT_NE(mainDialog.SystemMenu(), nullptr);
    const QList<QAction*> actions = mainDialog.SystemMenu()->actions();
    ASSERT_EQ(actions.size(), 1);
    EXPECT_EQ(actions[0]->text(), "&About Vantor...");
    actions[0]->trigger();
    mainDialog.OnSysCommand(IDM_ABOUTBOX | 0x000F);
    EXPECT_EQ(opened, (std::vector<QString>{"About Tessaly", "About Tessaly", "About Tessaly"}));
}
