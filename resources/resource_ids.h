// Ids of the dialog templates, their controls, the icon, the strings and the menu command.
#pragma once

inline constexpr int IDC_STATIC = -1;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// The About command in the system (or context) menu; the low four bits are
// the platform's, so commands are compared with those bits cleared.
inline constexpr int IDM_ABOUTBOX = 0x0010;
inline constexpr int IDS_ABOUTBOX = 101;
inline constexpr int IDR_MAINFRAME = 128;

inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_STEREO_DIALOG = 102;
inline constexpr int IDD_SMOOTHING_DIALOG = 132;
inline constexpr int IDD_PREVIEW_DIALOG = 133;

// Main dialog.
inline constexpr int IDC_LEFT_NAME = 1000;
inline constexpr int IDC_OPEN_LEFT = 1001;
inline constexpr int IDC_RIGHT_NAME = 1002;
inline constexpr int IDC_OPEN_RIGHT = 1003;
inline constexpr int IDC_HELP_BUTTON = 1009;
inline constexpr int IDC_CREATE_LEFT = 1010;
inline constexpr int IDC_SAVE_FORMAT = 1011;
inline constexpr int IDC_PROGRESS = 1012;
inline constexpr int IDC_FRAGMENT_EDIT = 1013;
inline constexpr int IDC_PARALLAX_X_EDIT = 1014;
inline constexpr int IDC_ABOUT_BUTTON = 1015;
inline constexpr int IDC_FRAGMENT_SLIDER = 1016;
inline constexpr int IDC_PARALLAX_X_SLIDER = 1017;
inline constexpr int IDC_PREVIEW_CHECK = 1018;
inline constexpr int IDC_PARALLAX_Y_SLIDER = 1019;
inline constexpr int IDC_PARALLAX_Y_EDIT = 1020;
inline constexpr int IDC_STATUS = 1022;
inline constexpr int IDC_CREATE_RIGHT = 1023;
inline constexpr int IDC_SOURCE_MODE = 1024;
inline constexpr int IDC_GRADIENT_MODE = 1025;
inline constexpr int IDC_SMOOTHING = 1034;
inline constexpr int IDC_SPEED_EDIT = 1035;
inline constexpr int IDC_SPEED_SLIDER = 1036;
inline constexpr int IDC_LEFT_FRAME = 1037;
inline constexpr int IDC_RIGHT_FRAME = 1038;

// Smoothing dialog.
inline constexpr int IDC_OUTLINE_LEVEL_EDIT = 1026;
inline constexpr int IDC_CREATE_OUTLINES = 1027;
inline constexpr int IDC_OUTLINE_LEVEL_SLIDER = 1028;
inline constexpr int IDC_SMOOTH_LEFT = 1029;
inline constexpr int IDC_SMOOTHING_DEGREE_EDIT = 1030;
inline constexpr int IDC_SMOOTH_RIGHT = 1031;

// Preview dialog.
inline constexpr int IDC_FILE_NAME = 1039;
inline constexpr int IDC_ZOOM_IN = 1040;
inline constexpr int IDC_ZOOM_OUT = 1041;
inline constexpr int IDC_PREVIEW_FRAME = 1042;

// About box: the two credits, shown as links.
inline constexpr int IDC_FIRST_CREDIT = 1033;
inline constexpr int IDC_SECOND_CREDIT = 1034;

// Child ids of the preview panes, which no template holds.
inline constexpr int IDC_RIGHT_THUMB = 9997;
inline constexpr int IDC_LEFT_THUMB = 9998;
inline constexpr int IDC_PREVIEW_PANE = 9999;
