// The widgets that stand for the controls of a dialog template.
#pragma once

class QWidget;
struct SControlTemplate;

// A new widget for `control` with its text, items and style, not yet placed.
QWidget* CreateTemplateControl(const SControlTemplate& control, QWidget* pParent);

// The width in pixels that `widget` needs to show its template text whole
// (0 when it shows no text).
int TextWidthNeeded(const QWidget& widget, const SControlTemplate& control);
