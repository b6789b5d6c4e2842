#include "LayerThumbnail.h"

#include "Picture.h"
#include "TiledImage.h"

#include <QPainter>
#include <algorithm>

namespace {
void drawScaled(QPainter &painter, const TiledImage &image, double scale)
{
    const int h = image.pixelHeight();
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
}
} // namespace

QImage layerThumbnail(const Picture &picture, int index, QSize box)
{
    if (index < 0 || index >= int(picture.layers().size()) || box.isEmpty())
        return {};
    const Layer &layer = *picture.layers()[std::size_t(index)];
    const TiledImage *image = layer.image();
    if (!image || image->pixelWidth() <= 0 || image->pixelHeight() <= 0)
        return {};
    const double scale = std::min(double(box.width()) / image->pixelWidth(),
                                  double(box.height()) / image->pixelHeight());
    QImage thumbnail(std::max(1, int(image->pixelWidth() * scale)),
                     std::max(1, int(image->pixelHeight() * scale)),
                     QImage::Format_ARGB32_Premultiplied);
    thumbnail.fill(Qt::transparent);
    QPainter painter(&thumbnail);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    drawScaled(painter, *image, scale);
    // The strokes not yet merged into the layer, joined to it as the picture joins them.
    for (const auto &snapshot : picture.undoLayers()) {
        if (snapshot->layer() != &layer || !snapshot->image())
            continue;
        painter.setCompositionMode(layer.isAlphaLocked() && snapshot->blitType() == BlitType::Paint
                                       ? QPainter::CompositionMode_SourceAtop
                                       : snapshot->compositionMode());
        painter.setOpacity(snapshot->opacity());
        drawScaled(painter, *snapshot->image(), scale);
    }
    return thumbnail;
}
