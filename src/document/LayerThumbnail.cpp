#include "LayerThumbnail.h"

#include "TiledImage.h"

#include <QPainter>
#include <algorithm>

QImage layerThumbnail(const TiledImage &image, QSize box)
{
    const int w = image.pixelWidth();
    const int h = image.pixelHeight();
    if (w <= 0 || h <= 0 || box.isEmpty())
        return {};
    const double scale = std::min(double(box.width()) / w, double(box.height()) / h);
    const QSize size(std::max(1, int(w * scale)), std::max(1, int(h * scale)));
    QImage thumbnail(size, QImage::Format_ARGB32_Premultiplied);
    thumbnail.fill(Qt::transparent);
    QPainter painter(&thumbnail);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int ty = 0; ty < image.tileRows(); ++ty) {
        for (int tx = 0; tx < image.tileColumns(); ++tx) {
            const QImage *tile = image.tileAt(tx, ty);
            if (!tile)
                continue;
            // y up in the sheet, y down here; a tile's row 0 is its top, so an edge tile's
            // pixels are its lower-left part.
            const QRect part = image.tilePixelRect(tx, ty);
            const QRectF to(part.x() * scale, (h - part.y() - part.height()) * scale,
                            part.width() * scale, part.height() * scale);
            painter.drawImage(
                to, *tile, QRect(0, tile->height() - part.height(), part.width(), part.height()));
        }
    }
    return thumbnail;
}
