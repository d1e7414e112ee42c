// SDialogTemplate: a dialog described as data, its controls placed in dialog units.
#pragma once

#include <vector>

// What a control is; the desktop front end maps each kind to a widget.
enum class EControlKind {
    kPushButton,
    kLabel,    // static text, left aligned
    kGroupBox, // a titled frame drawn behind the controls it surrounds
    kEdit,
    kDropDownList,
    kProgressBar,
    kTrackbar,
    kCheckBox,
    kRadioButton,
    kFrame, // a black frame, usually hidden, that marks where a pane goes
    kIcon,  // an icon at the desktop's icon size; the text names its image
};

// Style bits of a control.
enum EControlStyle : unsigned {
    kStyleNone = 0,
    kStyleDisabled = 1u << 0,
    kStyleHidden = 1u << 1,
    kStyleGroup = 1u << 2,          // starts a group (radio buttons)
    kStyleSorted = 1u << 3,         // list items sorted
    kStyleVScroll = 1u << 4,        // list with a vertical scroll bar
    kStyleNoTicks = 1u << 5,        // trackbar without tick marks
    kStyleTicksTop = 1u << 6,       // trackbar with tick marks above
    kStyleCentreVertical = 1u << 7, // label text centred vertically
    kStyleBorder = 1u << 8,
    kStyleDefaultButton = 1u << 9,
};

// One control: its id (IDC_STATIC for labels nobody addresses), kind, text
// and rectangle in dialog units. A drop-down list's height is the height of
// its open list, and `items` fills it.
struct SControlTemplate {
    int nId;
    EControlKind kind;
    const char* text;
    int x, y, cx, cy;
    unsigned style = kStyleNone;
    std::vector<const char*> items = {};
};

// Window styles of a dialog.
enum EDialogStyle : unsigned {
    kDialogSystemMenu = 1u << 0,
    kDialogMinimizeBox = 1u << 1,
};

// A dialog: caption, font, client size in dialog units and the controls in
// creation order, which is also the keyboard's tab order.
struct SDialogTemplate {
    int nId;
    const char* caption;
    const char* fontName;
    int nPointSize;
    int cx, cy;
    unsigned style;
    std::vector<SControlTemplate> controls;
};

// The templates of the program, by resource id.
const SDialogTemplate& AboutDialogTemplate();     // 100
const SDialogTemplate& StereoDialogTemplate();    // 102
const SDialogTemplate& SmoothingDialogTemplate(); // 132
const SDialogTemplate& PreviewDialogTemplate();   // 133
