// Template 102: the main dialog with the image pair, the settings and the job commands.
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace {

using enum EControlKind;

SDialogTemplate MakeStereoDialogTemplate()
{
    return {IDD_STEREO_DIALOG,
            "Tessaly 1.3",
            "MS Sans Serif",
            8,
            303,
            290,
            kDialogSystemMenu | kDialogMinimizeBox,
            {
                {IDC_OPEN_LEFT, kPushButton, "Open...", 105, 20, 35, 14},
                {IDC_OPEN_RIGHT, kPushButton, "Open...", 254, 20, 35, 14},
                {IDC_HELP_BUTTON, kPushButton, "Help", 211, 269, 40, 14},
                {IDC_CREATE_LEFT, kPushButton, "Create left depth map", 7, 226, 72, 14},
                {IDC_STATIC, kLabel, "Save as:", 217, 229, 29, 8},
                {IDC_SAVE_FORMAT, kDropDownList, "", 253, 227, 43, 41, kStyleSorted | kStyleVScroll},
                {IDC_PROGRESS, kProgressBar, "", 44, 247, 252, 14, kStyleBorder},
                {IDC_STATIC, kLabel, "Progress:", 7, 249, 30, 8},
                {IDC_FRAGMENT_EDIT, kEdit, "", 270, 105, 20, 14, kStyleDisabled},
                {IDC_PARALLAX_X_EDIT, kEdit, "", 270, 126, 20, 14, kStyleDisabled},
                {IDC_STATIC, kLabel, "Analysed fragment size, px:", 13, 108, 86, 8},
                {IDC_STATIC, kLabel, "Maximum horizontal parallax, px:", 13, 129, 102, 8},
                {IDC_STATIC, kGroupBox, "Settings", 7, 94, 289, 125},
                {IDC_ABOUT_BUTTON, kPushButton, "About...", 256, 269, 40, 14},
                {IDC_FRAGMENT_SLIDER, kTrackbar, "", 116, 105, 147, 15, kStyleNoTicks},
                {IDC_PARALLAX_X_SLIDER, kTrackbar, "", 116, 125, 147, 15, kStyleNoTicks},
                {IDC_PREVIEW_CHECK, kCheckBox, "Preview images", 17, 203, 65, 10},
                {IDC_STATIC, kLabel, "Maximum vertical parallax, px:", 14, 149, 94, 8},
                {IDC_PARALLAX_Y_SLIDER, kTrackbar, "", 116, 146, 147, 15, kStyleNoTicks},
                {IDC_PARALLAX_Y_EDIT, kEdit, "", 270, 146, 20, 14, kStyleDisabled},
                {IDC_STATUS, kLabel, "", 7, 269, 197, 14, kStyleCentreVertical},
                {IDC_CREATE_RIGHT, kPushButton, "Create right depth map", 84, 226, 76, 14},
                {IDC_SOURCE_MODE, kRadioButton, "Source image analyzing", 16, 170, 91, 10, kStyleGroup},
                {IDC_GRADIENT_MODE, kRadioButton, "Gradient image analyzing", 16, 184, 95, 10},
                {IDC_SMOOTHING, kPushButton, "Smoothing...", 164, 226, 44, 14},
                {IDC_SPEED_EDIT, kEdit, "", 241, 194, 20, 14, kStyleDisabled},
                {IDC_STATIC, kLabel, "Quality", 168, 181, 22, 8},
                {IDC_SPEED_SLIDER, kTrackbar, "", 171, 189, 68, 22, kStyleTicksTop},
                {IDC_STATIC, kLabel, "Speed", 220, 181, 22, 8},
                {IDC_LEFT_NAME, kLabel, "...", 17, 75, 124, 8},
                {IDC_RIGHT_NAME, kLabel, "...", 165, 75, 124, 8},
                {IDC_STATIC, kGroupBox, "Left image", 7, 7, 140, 82},
                {IDC_STATIC, kGroupBox, "Right image", 156, 7, 140, 82},
                {IDC_LEFT_FRAME, kFrame, "", 13, 20, 86, 51, kStyleHidden},
                {IDC_RIGHT_FRAME, kFrame, "", 162, 20, 86, 51, kStyleHidden},
            }};
}

} // namespace

const SDialogTemplate& StereoDialogTemplate()
{
    static const SDialogTemplate dialog = MakeStereoDialogTemplate();
    return dialog;
}
