// Template 133: the Image Preview dialog with its pane, zoom buttons and file name.
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace {

using enum EControlKind;

SDialogTemplate MakePreviewDialogTemplate()
{
    return {IDD_PREVIEW_DIALOG,
            "Image Preview",
            "MS Sans Serif",
            8,
            394,
            269,
            kDialogSystemMenu,
            {
                {IDCANCEL, kPushButton, "Close", 337, 248, 50, 14},
                {IDC_FILE_NAME, kLabel, "...", 53, 250, 280, 8},
                {IDC_ZOOM_IN, kPushButton, "Zoom In", 337, 7, 50, 14},
                {IDC_ZOOM_OUT, kPushButton, "Zoom Out", 337, 27, 50, 14},
                {IDC_STATIC, kLabel, "Fale name:", 7, 250, 36, 8},
                {IDC_PREVIEW_FRAME, kFrame, "", 7, 7, 323, 238, kStyleHidden},
            }};
}

} // namespace

const SDialogTemplate& PreviewDialogTemplate()
{
    static const SDialogTemplate dialog = MakePreviewDialogTemplate();
    return dialog;
}
