// CTemplateDialog: a modal dialog whose controls come from a dialog template.
#pragma once

#include "platform/dialog_units.h"

#include <QDialog>
#include <QPointer>

#include <functional>
#include <initializer_list>
#include <map>

class QPushButton;
struct SDialogTemplate;
struct SControlTemplate;

// Builds its controls from the template when it is first initialised (by
// DoModal or when first made visible), lays them out in dialog units of its font,
// chains the tab order in template order and then calls OnInitDialog.
// Every control is found by its id; buttons 1 and 2 run OnOK and OnCancel.
// Escape runs OnCancel, Enter presses the focused push button or else runs
// OnOK, and the close box ends the dialog.
class CTemplateDialog : public QDialog {
    Q_OBJECT

public:
    explicit CTemplateDialog(const SDialogTemplate& dialogTemplate, QWidget* pParent = nullptr);

    // Creates the controls and runs OnInitDialog, once.
    void Initialise();
    // Initialises and runs the dialog modally; returns its result code.
    int DoModal();

    QWidget* GetDlgItem(int nId) const;
    template <class T> T* GetItem(int nId) const { return qobject_cast<T*>(GetDlgItem(nId)); }
    // A control's rectangle in the dialog's client coordinates.
    QRect GetItemRect(int nId) const;
    const SDialogBaseUnits& BaseUnits() const { return m_units; }
    const SDialogTemplate& Template() const { return m_template; }

protected:
    // Lets a dialog put its own widget class in place of a template control.
    virtual QWidget* CreateControl(const SControlTemplate& control);
    virtual void OnInitDialog() { }
    virtual void OnOK() { accept(); }
    virtual void OnCancel() { reject(); }
    // Runs `handler` when the button `nId` is clicked.
    void OnClicked(int nId, std::function<void()> handler);
    // Enables or disables the controls `ids` as a command ends or starts.
    // Disabling the focused one (the command's own button, as a rule) moves
    // the focus on to the next control, where Space or Enter after the
    // command would press something else; enabling them gives the focus
    // back, unless the user has moved it meanwhile.
    void EnableCommands(std::initializer_list<int> ids, bool bEnable);

    void keyPressEvent(QKeyEvent* pEvent) override;
    void setVisible(bool bVisible) override;

private:
    void CreateControls();
    void LayOutControls();
    void GroupRadioButtons();
    void ChainTabOrder();
    double WidestNeededBaseX() const;
    QPushButton* DefaultButton() const;

    const SDialogTemplate& m_template;
    SDialogBaseUnits m_units;
    std::map<int, QWidget*> m_items;  // by id; children of the dialog
    std::vector<QWidget*> m_controls; // in template order
    bool m_bInitialised = false;
    // The control that had the focus when EnableCommands disabled it, and
    // where Qt moved the focus then.
    QPointer<QWidget> m_pFocusBeforeCommand;
    QPointer<QWidget> m_pFocusDuringCommand;
};
