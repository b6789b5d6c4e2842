#pragma once

#include "Geometry.h"

#include <QImage>

// An offscreen image of colour with alpha, one pixel per point, new pixels transparent.
// A size with a fraction takes whole pixels upward; the sheet's y = 0 is the bottom pixel row.
class Image
{
public:
    // The largest side the raster engine paints exactly.
    static constexpr int kMaxSide = 32767;

    explicit Image(Size size);
    // Adopts a picture, converted to this class's pixel format; its size is its pixel size, and
    // any resolution it carries is ignored.
    explicit Image(QImage image);

    // Whether a sheet of this size can be held at all (finite, positive, within kMaxSide): the
    // one rule for every sheet and picture, tiled or not.
    static bool isValidSize(Size size);

    // True when the size was invalid or memory could not be had.
    bool isNull() const { return mImage.isNull(); }
    Size size() const { return mSize; }
    int pixelWidth() const { return mImage.width(); }
    int pixelHeight() const { return mImage.height(); }

    QImage &qimage() { return mImage; }
    const QImage &qimage() const { return mImage; }

    // Pixel (px, py) counted from the bottom-left corner, premultiplied ARGB.
    QRgb pixel(int px, int py) const;
    // The same, unpremultiplied.
    QColor color(int px, int py) const;

    // Sheet rectangle to the pixel rectangle of this image that covers it, clipped to the image.
    QRect pixelRect(const Rect &r) const;

private:
    Size mSize;
    QImage mImage;
};
