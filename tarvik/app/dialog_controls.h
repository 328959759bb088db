// Creates the Qt widgets of a dialog template inside a dialog: one widget per control, in
// template order (which becomes the tab order), placed by converting dialog units to pixels
// with the dialog font's character size.
#pragma once

#include <QDialog>
#include <QFont>
#include <QWidget>
#include <vector>

#include "resources/dialog_template.h"

// Name of the widget property that holds a control's ID (kNoControlId for statics).
inline constexpr const char* kControlIdProperty = "controlId";

// The dialog font: the template's font at its point size.
QFont DialogFont(const DialogTemplate& dialogTemplate);

// The base units of a font, measured as dialog layouts measure them.
DialogBaseUnits MeasureBaseUnits(const QFont& font);

// Sets the dialog's font, caption and fixed client size and creates the controls. Returns
// them in template order.
std::vector<QWidget*> CreateDialogControls(QDialog& dialog, const DialogTemplate& dialogTemplate);

// The control with the given ID, or nullptr.
QWidget* FindControl(const QWidget& dialog, int id);
