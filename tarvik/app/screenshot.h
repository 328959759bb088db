// Renders the running dialog into a PNG file: once the dialog is on screen, the screen area
// it covers is grabbed from the window system and saved, then the dialog is closed.
#pragma once

#include <QString>

// Arranges the screenshot; `saved` is set to whether the file was written.
void ScheduleDialogScreenshot(const QString& path, bool& saved);
