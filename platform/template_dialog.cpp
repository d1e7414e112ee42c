// CTemplateDialog: builds, lays out and runs a dialog from its template.
#include "platform/template_dialog.h"

#include "platform/template_controls.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

#include <QAbstractButton>
#include <QApplication>
#include <QButtonGroup>
#include <QComboBox>
#include <QKeyEvent>
#include <QPushButton>
#include <QRadioButton>

#include <algorithm>

namespace {

Qt::WindowFlags DialogFlags(unsigned style)
{
    // Window managers offer no minimise button on dialog windows, so a
    // dialog that can be minimised is a plain top-level window.
    Qt::WindowFlags flags = (style & kDialogMinimizeBox) ? Qt::Window : Qt::Dialog;
    flags |= Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint;
    if (style & kDialogSystemMenu)
        flags |= Qt::WindowSystemMenuHint;
    if (style & kDialogMinimizeBox)
        flags |= Qt::WindowMinimizeButtonHint;
    return flags;
}

// The template's font family rarely exists here; the desktop's own sans
// serif takes its place at the template's size.
QFont DialogFont(const SDialogTemplate& dialogTemplate)
{
    QFont font = QApplication::font();
    font.setPointSize(dialogTemplate.nPointSize);
    return font;
}

} // namespace

CTemplateDialog::CTemplateDialog(const SDialogTemplate& dialogTemplate, QWidget* pParent)
    : QDialog(pParent, DialogFlags(dialogTemplate.style))
    , m_template(dialogTemplate)
{
    setWindowTitle(QString::fromUtf8(dialogTemplate.caption));
    setFont(DialogFont(dialogTemplate));
    m_units = FontBaseUnits(font());
}

void CTemplateDialog::Initialise()
{
    if (m_bInitialised)
        return;
    m_bInitialised = true;
    CreateControls();
    LayOutControls();
    GroupRadioButtons();
    ChainTabOrder();
    OnClicked(IDOK, [this] { OnOK(); });
    OnClicked(IDCANCEL, [this] { OnCancel(); });
    OnInitDialog();
}

int CTemplateDialog::DoModal()
{
    Initialise();
    return exec();
}

QWidget* CTemplateDialog::GetDlgItem(int nId) const
{
    const auto it = m_items.find(nId);
    return it != m_items.end() ? it->second : nullptr;
}

QRect CTemplateDialog::GetItemRect(int nId) const
{
    const QWidget* pItem = GetDlgItem(nId);
    return pItem != nullptr ? pItem->geometry() : QRect();
}

QWidget* CTemplateDialog::CreateControl(const SControlTemplate& control)
{
    return CreateTemplateControl(control, this);
}

void CTemplateDialog::OnClicked(int nId, std::function<void()> handler)
{
    if (auto* pButton = GetItem<QAbstractButton>(nId))
        connect(pButton, &QAbstractButton::clicked, this, [handler = std::move(handler)] { handler(); });
}

void CTemplateDialog::EnableCommands(std::initializer_list<int> ids, bool bEnable)
{
    QWidget* const pFocus = focusWidget();
    bool bTookFocus = false;
    for (int nId : ids) {
        QWidget* pItem = GetDlgItem(nId);
        bTookFocus = bTookFocus || (!bEnable && pItem == pFocus && pItem->isEnabled());
        pItem->setEnabled(bEnable);
    }
    if (bTookFocus) {
        m_pFocusBeforeCommand = pFocus;
        m_pFocusDuringCommand = focusWidget();
    } else if (bEnable) {
        if (m_pFocusBeforeCommand && focusWidget() == m_pFocusDuringCommand)
            m_pFocusBeforeCommand->setFocus();
        m_pFocusBeforeCommand = nullptr;
    }
}

void CTemplateDialog::CreateControls()
{
    for (const SControlTemplate& control : m_template.controls) {
        QWidget* pWidget = CreateControl(control);
        pWidget->setObjectName(QStringLiteral("control_%1").arg(control.nId));
        m_controls.push_back(pWidget);
        if (control.nId != IDC_STATIC)
            m_items.emplace(control.nId, pWidget);
    }
}

// A substitute font may set its letters wider, relative to its average
// letter, than the template's font did; the horizontal unit then grows just
// enough for every text to fit its control.
double CTemplateDialog::WidestNeededBaseX() const
{
    double dBaseX = m_units.dX;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const SControlTemplate& control = m_template.controls[i];
        const int nNeeded = TextWidthNeeded(*m_controls[i], control);
        if (nNeeded > 0 && control.cx > 0)
            dBaseX = std::max(dBaseX, (nNeeded + 1) * 4.0 / control.cx);
    }
    return dBaseX;
}

void CTemplateDialog::LayOutControls()
{
    m_units.dX = WidestNeededBaseX();
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        const SControlTemplate& control = m_template.controls[i];
        QWidget* pWidget = m_controls[i];
        QRect rect = MapDialogRect(control.x, control.y, control.cx, control.cy, m_units);
        // A drop-down list's template height is that of its open list.
        if (control.kind == EControlKind::kDropDownList)
            rect.setHeight(pWidget->sizeHint().height());
        pWidget->setGeometry(rect);
        if (control.style & kStyleHidden)
            pWidget->hide();
        if (control.kind == EControlKind::kGroupBox)
            pWidget->lower();
    }
    setFixedSize(MapDialogX(m_template.cx, m_units), MapDialogY(m_template.cy, m_units));
}

// Radio buttons that follow each other form one exclusive group, and a
// control marked as starting a group starts a new one.
void CTemplateDialog::GroupRadioButtons()
{
    QButtonGroup* pGroup = nullptr;
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        auto* pRadio = qobject_cast<QRadioButton*>(m_controls[i]);
        if (pRadio == nullptr || (m_template.controls[i].style & kStyleGroup)) {
            pGroup = nullptr;
            if (pRadio == nullptr)
                continue;
        }
        if (pGroup == nullptr)
            pGroup = new QButtonGroup(this);
        pGroup->addButton(pRadio);
    }
}

void CTemplateDialog::ChainTabOrder()
{
    QWidget* pPrevious = nullptr;
    for (QWidget* pWidget : m_controls) {
        if (pWidget->focusPolicy() == Qt::NoFocus)
            continue;
        if (pPrevious != nullptr)
            setTabOrder(pPrevious, pWidget);
        pPrevious = pWidget;
    }
}

void CTemplateDialog::keyPressEvent(QKeyEvent* pEvent)
{
    const bool bPlain = pEvent->modifiers() == Qt::NoModifier || pEvent->modifiers() == Qt::KeypadModifier;
    if (bPlain && pEvent->key() == Qt::Key_Escape) {
        OnCancel();
        return;
    }
    if (bPlain && (pEvent->key() == Qt::Key_Return || pEvent->key() == Qt::Key_Enter)) {
        auto* pButton = qobject_cast<QPushButton*>(focusWidget());
        if (pButton == nullptr || !pButton->isEnabled())
            pButton = DefaultButton();
        if (pButton != nullptr)
            pButton->click();
        else
            OnOK();
        return;
    }
    QDialog::keyPressEvent(pEvent);
}

// The template's default button. Qt makes any push button that once had
// the focus a dialog's default; the template's choice is what counts here.
QPushButton* CTemplateDialog::DefaultButton() const
{
    for (std::size_t i = 0; i < m_controls.size(); ++i) {
        auto* pButton = qobject_cast<QPushButton*>(m_controls[i]);
        if (pButton != nullptr && (m_template.controls[i].style & kStyleDefaultButton) && pButton->isEnabled())
            return pButton;
    }
    return nullptr;
}

// Before the window appears, so that the controls appear with it.
void CTemplateDialog::setVisible(bool bVisible)
{
    if (bVisible)
        Initialise();
    QDialog::setVisible(bVisible);
}
