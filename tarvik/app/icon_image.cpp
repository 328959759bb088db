#include "icon_image.h"

#include <QImage>
#include <QPixmap>
#include <QString>

#include "resources/app_icon.h"

namespace {

QImage ToImage(const IconImage& icon) {
    QImage image(icon.size, icon.size, QImage::Format_ARGB32);
    const auto& palette = IconPalette();
    for (int y = 0; y < icon.size; ++y) {
        const char* row = icon.rows[static_cast<std::size_t>(y)];
        for (int x = 0; x < icon.size; ++x) {
            const int index = IconPaletteIndex(row[x]);
            const QRgb colour = index < 0
                                    ? qRgba(0, 0, 0, 0)
                                    : (0xFF000000u | palette[static_cast<std::size_t>(index)]);
            image.setPixel(x, y, colour);
        }
    }
    return image;
}

}  // namespace

QIcon LoadTarvikIcon() {
    QIcon icon;
    for (const IconImage& image : TarvikIconImages()) {
        icon.addPixmap(QPixmap::fromImage(ToImage(image)));
    }
    return icon;
}
