// Dialogs built from templates: dialog units, every control by id and in place, texts not clipped, tab order, keys.
#include "platform/dialog_units.h"
#include "platform/digit_edit.h"
#include "platform/template_dialog.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontMetrics>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include <gtest/gtest.h>

namespace {

QString TextOf(const QWidget& widget)
{
    if (auto* pLabel = qobject_cast<const QLabel*>(&widget))
        return pLabel->text();
    if (auto* pButton = qobject_cast<const QAbstractButton*>(&widget))
        return pButton->text();
    if (auto* pGroup = qobject_cast<const QGroupBox*>(&widget))
        return pGroup->title();
    return {};
}

} // namespace

TEST(DialogUnits, ConvertEachEdgeWithTheFontsBaseUnits)
{
    const SDialogBaseUnits units{6, 13};
    EXPECT_EQ(MapDialogX(105, units), 158); // 157.5 rounds up
    EXPECT_EQ(MapDialogY(20, units), 33);   // 32.5 rounds up
    EXPECT_EQ(MapDialogRect(7, 226, 72, 14, units), QRect(11, 367, 108, 23));
    const SDialogBaseUnits font = FontBaseUnits(QApplication::font());
    EXPECT_GT(font.dX, 3);
    EXPECT_EQ(font.nY, QFontMetrics(QApplication::font()).height());
}

class TemplateLayout : public testing::TestWithParam<int> {
protected:
    static const SDialogTemplate& Template()
    {
        switch (GetParam()) {
        case IDD_STEREO_DIALOG:
            return StereoDialogTemplate();
        case IDD_SMOOTHING_DIALOG:
            return SmoothingDialogTemplate();
        default:
            return PreviewDialogTemplate();
        }
    }
};

TEST_P(TemplateLayout, EveryControlHasItsIdTextAndPlaceInsideTheDialog)
{
    const SDialogTemplate& dialogTemplate = Template();
    CTemplateDialog dialog(dialogTemplate);
    dialog.Initialise();
    EXPECT_EQ(dialog.windowTitle(), dialogTemplate.caption);
    EXPECT_GE(dialog.BaseUnits().dX, FontBaseUnits(dialog.font()).dX);
    const QRect client(QPoint(0, 0), dialog.size());
    for (const SControlTemplate& control : dialogTemplate.controls) {
        if (control.nId == IDC_STATIC)
            continue;
        SCOPED_TRACE(control.nId);
        QWidget* pItem = dialog.GetDlgItem(control.nId);
        ASSERT_NE(pItem, nullptr);
        EXPECT_EQ(TextOf(*pItem), QString::fromUtf8(control.text));
        EXPECT_TRUE(client.contains(pItem->geometry()));
        EXPECT_EQ(pItem->isHidden(), (control.style & kStyleHidden) != 0);
    }
}

// With whatever font the desktop has, no label, button or box title is cut.
TEST_P(TemplateLayout, EveryTextFitsItsControl)
{
    CTemplateDialog dialog(Template());
    dialog.Initialise();
    for (QWidget* pChild : dialog.findChildren<QWidget*>()) {
        const QString text = TextOf(*pChild);
        if (text.isEmpty())
            continue;
        SCOPED_TRACE(text.toStdString());
        EXPECT_LE(pChild->fontMetrics().horizontalAdvance(text), pChild->width());
        EXPECT_LE(pChild->fontMetrics().height(), pChild->height());
    }
}

INSTANTIATE_TEST_SUITE_P(Templates, TemplateLayout,
                         testing::Values(IDD_STEREO_DIALOG, IDD_SMOOTHING_DIALOG, IDD_PREVIEW_DIALOG));

// No button is the dialogs' default, so none shows the default cue, not even with the focus.
TEST(TemplateDialog, TabOrderFollowsTheTemplateAndButtonTwoCancels)
{
    CTemplateDialog dialog(PreviewDialogTemplate());
    dialog.show();
    dialog.activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(&dialog));
    const auto isDefault = [&] { return qobject_cast<QPushButton*>(dialog.focusWidget())->isDefault(); };
    EXPECT_EQ(dialog.focusWidget(), dialog.GetDlgItem(IDCANCEL));
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dialog.focusWidget(), dialog.GetDlgItem(IDC_ZOOM_IN));
    EXPECT_FALSE(isDefault());
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Tab);
    EXPECT_EQ(dialog.focusWidget(), dialog.GetDlgItem(IDC_ZOOM_OUT));
    EXPECT_FALSE(isDefault());
    QTest::keyClick(dialog.focusWidget(), Qt::Key_Escape);
    EXPECT_FALSE(dialog.isVisible());
    EXPECT_EQ(dialog.result(), QDialog::Rejected);
}

TEST(DigitEdit, TakesDigitsAndBackspaceOnly)
{
    CDigitEdit edit;
    QTest::keyClicks(&edit, "1a2-b 3");
    EXPECT_EQ(edit.text(), "123");
    QTest::keyClick(&edit, Qt::Key_Backspace);
    EXPECT_EQ(edit.text(), "12");
}
