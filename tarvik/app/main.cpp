// tarvik: the demo dialog of the kelvo speaker-verification library.
//
//   tarvik                     runs the dialog; files are written to the working directory
//   tarvik --screenshot FILE   shows the dialog, saves what the screen shows of it as a PNG
//                              and exits
#include <QApplication>
#include <QString>
#include <cstdio>
#include <cstring>

#include "display_check.h"
#include "screenshot.h"
#include "tarvik_app.h"

int main(int argc, char** argv) {
    const char* screenshotPath = nullptr;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--screenshot") == 0 && i + 1 < argc) {
            screenshotPath = argv[++i];
        } else if (std::strcmp(argv[i], "--help") == 0) {
            std::puts("usage: tarvik [--screenshot FILE.png]");
            return 0;
        }
    }

    const QByteArray requested = qgetenv("QT_QPA_PLATFORM");
    if (requested.isEmpty()) {
        qputenv("QT_QPA_PLATFORM", PlatformCandidates(qgetenv("XDG_SESSION_TYPE") == "wayland" &&
                                                      !qgetenv("WAYLAND_DISPLAY").isEmpty()));
    }
    QApplication application(argc, argv);
    if (NoDisplayAvailable(requested, QGuiApplication::platformName())) {
        std::fputs(kNoDisplayMessage, stderr);
        return kNoDisplayExitCode;
    }

    bool screenshotSaved = false;
    if (screenshotPath != nullptr) {
        ScheduleDialogScreenshot(QString::fromLocal8Bit(screenshotPath), screenshotSaved);
    }
    theApp.InitInstance();
    if (screenshotPath != nullptr && !screenshotSaved) {
        std::fprintf(stderr, "tarvik: could not save the screenshot to %s\n", screenshotPath);
        return 1;
    }
    return 0;
}
