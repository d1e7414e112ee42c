// CPreviewDlg: the "Image Preview" dialog that shows one produced image with zoom buttons and its file name.
#pragma once

#include "platform/template_dialog.h"
#include "preview/preview_pane.h"

#include <string>

class CPreviewDlg : public CTemplateDialog {
    Q_OBJECT

public:
    explicit CPreviewDlg(QWidget* pParent = nullptr);

    // The file to show; set before the dialog runs.
    std::string m_strFileName;

protected:
    // Places the pane over the frame and loads the file, before the dialog
    // appears, so the pane's messages come first.
    void OnInitDialog() override;

private:
    void DoDataExchange();
    void OnZoomIn();
    void OnZoomOut();
};

// The view of the preview dialog; its window is made anew at every opening.
extern CPreviewPane g_wndPreviewPane;

// Opens the preview dialog modally on `path` and returns when it is closed.
void ShowPreview(const std::string& path);
