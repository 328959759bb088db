// Choosing the window system, and what the program says when there is none.
#pragma once

#include <QByteArray>

// The Qt platforms to try, in order, when the user has not chosen one with QT_QPA_PLATFORM:
// the desktop's own window system first, and "offscreen" last so that a missing display is
// detected instead of aborting the program.
QByteArray PlatformCandidates(bool waylandSession);

// True when Qt ended on the last-resort "offscreen" platform the user did not ask for.
bool NoDisplayAvailable(const QByteArray& requestedPlatform, const QString& platformInUse);

// Printed to standard error before the program exits with kNoDisplayExitCode.
inline constexpr const char* kNoDisplayMessage =
    "tarvik: no display available. Run it on a desktop, set DISPLAY to a running X server "
    "(for example with xvfb-run), or set QT_QPA_PLATFORM.\n";
inline constexpr int kNoDisplayExitCode = 2;
