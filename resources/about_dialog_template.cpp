// Template 100: the About box with the icon, the product and version, two credits and the library note.
#include "resources/dialog_template.h"
#include "resources/resource_ids.h"

namespace {

using enum EControlKind;

SDialogTemplate MakeAboutDialogTemplate()
{
    return {IDD_ABOUTBOX,
            "About Tessaly",
            "MS Sans Serif",
            8,
            235,
            76,
            kDialogSystemMenu,
            {
                {IDC_STATIC, kIcon, ":/resources/tessaly.png", 11, 17, 20, 20},
                {IDC_STATIC, kLabel, "Tessaly 1.3", 40, 10, 119, 8},
                {IDOK, kPushButton, "OK", 178, 7, 50, 14, kStyleDefaultButton},
                {IDC_FIRST_CREDIT, kLabel, "The Qt Project", 40, 37, 74, 8},
                {IDC_SECOND_CREDIT, kLabel, "FreeImage", 40, 46, 57, 8},
                {IDC_STATIC, kLabel, "This program uses the FreeImage library", 40, 59, 126, 8},
            }};
}

} // namespace

const SDialogTemplate& AboutDialogTemplate()
{
    static const SDialogTemplate dialog = MakeAboutDialogTemplate();
    return dialog;
}
