// The widgets that stand for the controls of a dialog template.
#include "platform/template_controls.h"

#include "resources/dialog_template.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStyle>

#include <algorithm>

namespace {

QWidget* CreateLabel(const SControlTemplate& control, QWidget* pParent)
{
    auto* pLabel = new QLabel(QString::fromUtf8(control.text), pParent);
    pLabel->setTextFormat(Qt::PlainText);
    const Qt::Alignment vertical = (control.style & kStyleCentreVertical) ? Qt::AlignVCenter : Qt::AlignTop;
    pLabel->setAlignment(Qt::AlignLeft | vertical);
    return pLabel;
}

QWidget* CreateGroupBox(const SControlTemplate& control, QWidget* pParent)
{
    auto* pGroup = new QGroupBox(QString::fromUtf8(control.text), pParent);
    // Drawn behind the controls it surrounds and never in the way of a click.
    pGroup->setAttribute(Qt::WA_TransparentForMouseEvents);
    return pGroup;
}

QWidget* CreateFrame(QWidget* pParent)
{
    auto* pFrame = new QFrame(pParent);
    pFrame->setFrameStyle(QFrame::Box | QFrame::Plain);
    return pFrame;
}

// Sized to the desktop's icon size from the control's top left corner, as
// the desktops with dialog templates ignore an icon control's own size.
QWidget* CreateIcon(const SControlTemplate& control, QWidget* pParent)
{
    auto* pLabel = new QLabel(pParent);
    const int nSize = pLabel->style()->pixelMetric(QStyle::PM_LargeIconSize, nullptr, pLabel);
    pLabel->setPixmap(QIcon(QString::fromUtf8(control.text)).pixmap(nSize, nSize));
    pLabel->setFixedSize(nSize, nSize);
    return pLabel;
}

QWidget* CreatePushButton(const SControlTemplate& control, QWidget* pParent)
{
    auto* pButton = new QPushButton(QString::fromUtf8(control.text), pParent);
    // No button draws the default-button cue: the dialog's own key handling
    // presses the focused button (or the template's default) on Enter.
    pButton->setAutoDefault(false);
    pButton->setDefault(false);
    return pButton;
}

QWidget* CreateDropDownList(const SControlTemplate& control, QWidget* pParent)
{
    auto* pCombo = new QComboBox(pParent);
    QStringList items;
    for (const char* item : control.items)
        items << QString::fromUtf8(item);
    if (control.style & kStyleSorted)
        items.sort();
    pCombo->addItems(items);
    pCombo->setCurrentIndex(-1);
    return pCombo;
}

QWidget* CreateTrackbar(const SControlTemplate& control, QWidget* pParent)
{
    auto* pSlider = new QSlider(Qt::Horizontal, pParent);
    pSlider->setRange(0, 100);
    pSlider->setTickPosition((control.style & kStyleTicksTop) ? QSlider::TicksAbove : QSlider::NoTicks);
    pSlider->setTickInterval(1);
    return pSlider;
}

QWidget* CreateProgressBar(QWidget* pParent)
{
    auto* pProgress = new QProgressBar(pParent);
    pProgress->setRange(0, 100);
    pProgress->setValue(0);
    pProgress->setTextVisible(false);
    return pProgress;
}

QWidget* CreateWidget(const SControlTemplate& control, QWidget* pParent)
{
    const QString text = QString::fromUtf8(control.text);
    switch (control.kind) {
    case EControlKind::kPushButton:
        return CreatePushButton(control, pParent);
    case EControlKind::kLabel:
        return CreateLabel(control, pParent);
    case EControlKind::kGroupBox:
        return CreateGroupBox(control, pParent);
    case EControlKind::kEdit:
        return new QLineEdit(text, pParent);
    case EControlKind::kDropDownList:
        return CreateDropDownList(control, pParent);
    case EControlKind::kProgressBar:
        return CreateProgressBar(pParent);
    case EControlKind::kTrackbar:
        return CreateTrackbar(control, pParent);
    case EControlKind::kCheckBox:
        return new QCheckBox(text, pParent);
    case EControlKind::kRadioButton:
        return new QRadioButton(text, pParent);
    case EControlKind::kFrame:
        return CreateFrame(pParent);
    case EControlKind::kIcon:
        return CreateIcon(control, pParent);
    }
    return new QWidget(pParent);
}

int IndicatorWidth(const QWidget& widget, QStyle::PixelMetric indicator, QStyle::PixelMetric spacing)
{
    return widget.style()->pixelMetric(indicator, nullptr, &widget)
        + widget.style()->pixelMetric(spacing, nullptr, &widget);
}

} // namespace

QWidget* CreateTemplateControl(const SControlTemplate& control, QWidget* pParent)
{
    QWidget* pWidget = CreateWidget(control, pParent);
    pWidget->setEnabled((control.style & kStyleDisabled) == 0);
    return pWidget;
}

int TextWidthNeeded(const QWidget& widget, const SControlTemplate& control)
{
    const int nText = widget.fontMetrics().horizontalAdvance(QString::fromUtf8(control.text));
    const QStyle& style = *widget.style();
    switch (control.kind) {
    case EControlKind::kLabel:
        return nText;
    case EControlKind::kPushButton:
        return nText + style.pixelMetric(QStyle::PM_ButtonMargin, nullptr, &widget)
            + 2 * style.pixelMetric(QStyle::PM_DefaultFrameWidth, nullptr, &widget) + 4;
    case EControlKind::kCheckBox:
        return nText + IndicatorWidth(widget, QStyle::PM_IndicatorWidth, QStyle::PM_CheckBoxLabelSpacing) + 2;
    case EControlKind::kRadioButton:
        return nText + IndicatorWidth(widget, QStyle::PM_ExclusiveIndicatorWidth, QStyle::PM_RadioButtonLabelSpacing)
            + 2;
    case EControlKind::kGroupBox:
        return nText + 2 * widget.fontMetrics().averageCharWidth();
    default:
        return 0;
    }
}
