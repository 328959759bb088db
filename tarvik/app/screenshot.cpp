#include "screenshot.h"

#include <QApplication>
#include <QDialog>
#include <QPixmap>
#include <QScreen>
#include <QTimer>

namespace {

// Time for the window system to map and paint the dialog.
constexpr int kSettleMilliseconds = 500;
constexpr int kPollMilliseconds = 50;

void GrabWhenShown(const QString& path, bool& saved) {
    auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
    if (dialog == nullptr || !dialog->isVisible()) {
        QTimer::singleShot(kPollMilliseconds, [path, &saved] { GrabWhenShown(path, saved); });
        return;
    }
    QTimer::singleShot(kSettleMilliseconds, dialog, [dialog, path, &saved] {
        const QRect area = dialog->frameGeometry();
        QPixmap image =
            dialog->screen()->grabWindow(0, area.x(), area.y(), area.width(), area.height());
        saved = !image.isNull() && image.save(path, "PNG");
        dialog->reject();
    });
}

}  // namespace

void ScheduleDialogScreenshot(const QString& path, bool& saved) {
    saved = false;
    QTimer::singleShot(0, [path, &saved] { GrabWhenShown(path, saved); });
}
