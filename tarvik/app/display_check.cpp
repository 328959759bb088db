#include "display_check.h"

#include <QString>

QByteArray PlatformCandidates(bool waylandSession) {
    return waylandSession ? QByteArrayLiteral("wayland;xcb;offscreen")
                          : QByteArrayLiteral("xcb;offscreen");
}

bool NoDisplayAvailable(const QByteArray& requestedPlatform, const QString& platformInUse) {
    return requestedPlatform.isEmpty() && platformInUse == QLatin1String("offscreen");
}
