// CPreviewDlg: the "Image Preview" dialog that shows one produced image with zoom buttons and its file name.
#include "preview/preview_dlg.h"

#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

#include <QLabel>

CPreviewPane g_wndPreviewPane;

CPreviewDlg::CPreviewDlg(QWidget* pParent)
    : CTemplateDialog(PreviewDialogTemplate(), pParent)
{ }

void CPreviewDlg::DoDataExchange()
{
    if (auto* pLabel = GetItem<QLabel>(IDC_FILE_NAME))
        pLabel->setText(QString::fromStdString(m_strFileName));
}

void CPreviewDlg::OnInitDialog()
{
    DoDataExchange();
    OnClicked(IDC_ZOOM_IN, [this] { OnZoomIn(); });
    OnClicked(IDC_ZOOM_OUT, [this] { OnZoomOut(); });
    g_wndPreviewPane.Create(this, GetItemRect(IDC_PREVIEW_FRAME), IDC_PREVIEW_PANE);
    g_wndPreviewPane.LoadFile(m_strFileName);
    DoDataExchange();
}

void CPreviewDlg::OnZoomIn()
{
    g_wndPreviewPane.ZoomIn();
}

void CPreviewDlg::OnZoomOut()
{
    g_wndPreviewPane.ZoomOut();
}

void ShowPreview(const std::string& path)
{
    CPreviewDlg dialog;
    dialog.m_strFileName = path;
    dialog.DoModal();
}
