// Dialogs built from templates: dialog units, every control by id and in place with its text whole, the keys Enter
// and Escape, and the digits-only edit box.
#include "platform/dialog_units.h"
#include "platform/digit_edit.h"
#include "platform/template_dialog.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

QString TextOf(const QWidget& widget)
{
    const bool bText = qobject_cast<const QLabel*>(&widget) || qobject_cast<const QAbstractButton*>(&widget);
    return bText                                  ? widget.property("text").toString()
        : qobject_cast<const QGroupBox*>(&widget) ? widget.property("title").toString()
                                                  : QString();
}

} // namespace

TEST(DialogUnits, ConvertEachEdgeWithTheFontsBaseUnitsRoundingHalvesUp)
{
    const SDialogBaseUnits units{6, 13};
    EXPECT_EQ(std::tuple(MapDialogX(105, units), MapDialogY(20, units)), std::tuple(158, 33)); // 157.5, 32.5
    EXPECT_EQ(MapDialogRect(7, 226, 72, 14, units), QRect(11, 367, 108, 23));
    // The average width of the 52 letters, rounded, and the height, at many sizes.
    for (int nSize = 6; nSize <= 20; ++nSize) {
        QFont font = QApplication::font();
        font.setPointSize(nSize);
        const QFontMetrics metrics(font);
        const int nLetters = metrics.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
        EXPECT_EQ(std::tuple(FontBaseUnits(font).dX, FontBaseUnits(font).nY),
                  std::tuple(std::floor(nLetters / 52.0 + 0.5), metrics.height()))
            << nSize;
    }
}

class TemplateLayout : public testing::TestWithParam<const SDialogTemplate*> { };

// With whatever font the desktop has, no label, button or box title is cut.
TEST_P(TemplateLayout, EveryControlHasItsIdTextAndPlaceWithItsTextWhole)
{
    const SDialogTemplate& dialogTemplate = *GetParam();
    SCOPED_TRACE(dialogTemplate.caption);
    CTemplateDialog dialog(dialogTemplate);
    dialog.Initialise();
    EXPECT_EQ(dialog.windowTitle(), dialogTemplate.caption);
    for (const SControlTemplate& control : dialogTemplate.controls) {
        QWidget* pItem = dialog.GetDlgItem(control.nId);
        ASSERT_TRUE(control.nId == IDC_STATIC || pItem != nullptr) << control.nId;
        EXPECT_TRUE(pItem == nullptr
                    || (TextOf(*pItem) == control.text && dialog.rect().contains(pItem->geometry())
                        && pItem->isHidden() == ((control.style & kStyleHidden) != 0)))
            << control.nId;
    }
    for (QWidget* pChild : dialog.findChildren<QWidget*>()) {
        const QString text = TextOf(*pChild);
        EXPECT_TRUE(text.isEmpty()
                    || (pChild->fontMetrics().horizontalAdvance(text) <= pChild->width()
                        && pChild->fontMetrics().height() <= pChild->height()))
            << text.toStdString();
    }
}

INSTANTIATE_TEST_SUITE_P(Templates, TemplateLayout,
                         testing::Values(&AboutDialogTemplate(), &StereoDialogTemplate(), &SmoothingDialogTemplate(),
                                         &PreviewDialogTemplate()));

// Enter presses the focused push button, else the template's default
// button while it is enabled, else ends the dialog as OK; Escape cancels.
TEST(TemplateDialog, EnterPressesTheFocusedOrDefaultButtonElseEndsTheDialogAndEscapeCancels)
{
    // The result is 0 while the dialog stays, 1 when accepted and 2 when rejected.
    for (const auto& [pTemplate, nFocus, nDisabled, key, nPressed, nResult] :
         {std::tuple(&PreviewDialogTemplate(), IDC_ZOOM_OUT, 0, Qt::Key_Return, IDC_ZOOM_OUT, 0),
          {&SmoothingDialogTemplate(), IDC_SMOOTHING_DEGREE_EDIT, 0, Qt::Key_Return, IDOK, 1},
          {&SmoothingDialogTemplate(), IDC_SMOOTHING_DEGREE_EDIT, IDOK, Qt::Key_Enter, 0, 1},
          {&StereoDialogTemplate(), IDC_PARALLAX_X_SLIDER, 0, Qt::Key_Return, 0, 1},
          {&PreviewDialogTemplate(), IDC_ZOOM_OUT, 0, Qt::Key_Escape, 0, 2}}) {
        CTemplateDialog dialog(*pTemplate);
        dialog.show();
        int nClicked = 0;
        for (auto* pButton : dialog.findChildren<QPushButton*>())
            QObject::connect(pButton, &QPushButton::clicked,
                             [&, pButton] { nClicked = pButton->objectName().mid(8).toInt(); });
        if (nDisabled != 0)
            dialog.GetDlgItem(nDisabled)->setEnabled(false);
        dialog.GetDlgItem(nFocus)->setFocus();
        QTest::keyClick(dialog.GetDlgItem(nFocus), key);
        const int nEnded = dialog.isVisible() ? 0 : dialog.result() == QDialog::Accepted ? 1 : 2;
        EXPECT_EQ(std::tuple(nClicked, nEnded), std::tuple(nPressed, nResult)) << nFocus << " " << key;
    }
}

// The digits' neighbours in the character set are refused; keys that type
// nothing printable keep their meaning.
TEST(DigitEdit, TakesTheDigitsZeroToNineAndEditingKeysOnly)
{
    CDigitEdit edit;
    const QSignalSpy returns(&edit, &QLineEdit::returnPressed);
    QTest::keyClicks(&edit, "/0a-9 :5");
    EXPECT_EQ(edit.text(), "095");
    for (const Qt::Key key : {Qt::Key_Backspace, Qt::Key_Left, Qt::Key_1, Qt::Key_Return})
        QTest::keyClick(&edit, key);
    EXPECT_EQ(std::pair(edit.text(), returns.count()), std::pair(QString("019"), qsizetype(1)));
}
