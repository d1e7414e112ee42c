// CAboutDlg: the "About Tessaly" box with the product, the version and two credits shown as links.
#include "about/about_dlg.h"

#include "about/link_label.h"
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

CAboutDlg::CAboutDlg(QWidget* pParent)
    : CTemplateDialog(AboutDialogTemplate(), pParent)
{ }

QWidget* CAboutDlg::CreateControl(const SControlTemplate& control)
{
    if (control.nId != IDC_FIRST_CREDIT && control.nId != IDC_SECOND_CREDIT)
        return CTemplateDialog::CreateControl(control);
    auto* pLabel = new CLinkLabel(this);
    pLabel->setText(QString::fromUtf8(control.text));
    pLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    return pLabel;
}

// Runs once the labels have their place, which their attaching measures.
void CAboutDlg::DoDataExchange()
{
    m_staticSecondCredit = GetItem<CLinkLabel>(IDC_SECOND_CREDIT);
    m_staticFirstCredit = GetItem<CLinkLabel>(IDC_FIRST_CREDIT);
    m_staticSecondCredit->Attach();
    m_staticFirstCredit->Attach();
}

void CAboutDlg::OnInitDialog()
{
    DoDataExchange();
    m_staticFirstCredit->SetTarget(QString::fromUtf8(kFirstCreditTarget));
    m_staticSecondCredit->SetTarget(QString::fromUtf8(kSecondCreditTarget));
}
