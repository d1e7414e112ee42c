// Template 132: the Segmentation Smoothing dialog with the outline level, the smoothing degree and their commands.
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace {

using enum EControlKind;

SDialogTemplate MakeSmoothingDialogTemplate()
{
    return {IDD_SMOOTHING_DIALOG,
            "Segmentation Smoothing",
            "MS Sans Serif",
            8,
            300,
            79,
            kDialogSystemMenu,
            {
                {IDOK, kPushButton, "Close", 243, 58, 50, 14, kStyleDefaultButton},
                {IDC_STATIC, kLabel, "Outline image level:", 7, 10, 62, 8},
                {IDC_OUTLINE_LEVEL_EDIT, kEdit, "", 187, 7, 20, 14, kStyleDisabled | kStyleBorder},
                {IDC_CREATE_OUTLINES, kPushButton, "Create outline images", 216, 7, 77, 14},
                {IDC_OUTLINE_LEVEL_SLIDER, kTrackbar, "", 78, 7, 100, 15, kStyleNoTicks},
                {IDC_SMOOTH_LEFT, kPushButton, "Smooth left depth map", 114, 32, 85, 14},
                {IDC_STATIC, kLabel, "Smoothing degree:", 7, 35, 60, 8},
                {IDC_SMOOTHING_DEGREE_EDIT, kEdit, "", 76, 32, 25, 14, kStyleBorder},
                {IDC_SMOOTH_RIGHT, kPushButton, "Smooth right depth map", 208, 32, 85, 14},
            }};
}

} // namespace

const SDialogTemplate& SmoothingDialogTemplate()
{
    static const SDialogTemplate dialog = MakeSmoothingDialogTemplate();
    return dialog;
}
