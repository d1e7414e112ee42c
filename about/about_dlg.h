// CAboutDlg: the "About Tessaly" box with the product, the version and two credits shown as links.
#pragma once

#include "platform/template_dialog.h"

class CLinkLabel;

class CAboutDlg : public CTemplateDialog {
    Q_OBJECT

public:
    explicit CAboutDlg(QWidget* pParent = nullptr);

    CLinkLabel* m_staticFirstCredit = nullptr;
    CLinkLabel* m_staticSecondCredit = nullptr;

protected:
    // The two credits are link labels instead of plain ones.
    QWidget* CreateControl(const SControlTemplate& control) override;
    void OnInitDialog() override;

private:
    void DoDataExchange();
};

// The web pages of the two credits.
inline constexpr const char* kFirstCreditTarget = "https://www.qt.io";
inline constexpr const char* kSecondCreditTarget = "https://freeimage.sourceforge.io";
