#include "Image.h"

#include <cmath>

namespace {
int pixelsFor(float points)
{
    return int(std::ceil(points));
}
} // namespace

bool Image::isValidSize(Size size)
{
    auto ok = [](float v) { return std::isfinite(v) && v > 0.0f && v <= float(kMaxSide); };
    return ok(size.width) && ok(size.height);
}

Image::Image(Size size) : m_size(size)
{
    if (!isValidSize(size))
        return;
    m_image = QImage(pixelsFor(size.width), pixelsFor(size.height), QImage::Format_ARGB32_Premultiplied);
    if (!m_image.isNull())
        m_image.fill(Qt::transparent);
}

Image::Image(QImage image)
{
    if (image.isNull() || !isValidSize(Size{float(image.width()), float(image.height())}))
        return;
    m_image = std::move(image).convertToFormat(QImage::Format_ARGB32_Premultiplied);
    m_size = Size{float(m_image.width()), float(m_image.height())};
}

QRgb Image::pixel(int px, int py) const
{
    return m_image.pixel(px, m_image.height() - 1 - py);
}

QColor Image::color(int px, int py) const
{
    return m_image.pixelColor(px, m_image.height() - 1 - py);
}

QRect Image::pixelRect(const Rect &r) const
{
    // Clip in floating point first, so that absurd rectangles never reach an int conversion.
    const QRectF q = toQtRect(r, float(m_image.height())).intersected(QRectF(m_image.rect()));
    if (q.isEmpty())
        return {};
    const int x0 = int(std::floor(q.left()));
    const int y0 = int(std::floor(q.top()));
    const int x1 = int(std::ceil(q.right()));
    const int y1 = int(std::ceil(q.bottom()));
    return QRect(QPoint(x0, y0), QPoint(x1 - 1, y1 - 1)).intersected(m_image.rect());
}
