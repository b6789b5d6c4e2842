#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

// A PNG file written a band of rows at a time, so that a picture larger than memory holds as one
// image can still be saved: 8-bit RGBA, no resolution, as Qt's PNG writer writes it.
namespace PngBands {

// band(top, rows) gives rows [top, top + rows) of the picture, counted from the top, as a
// premultiplied ARGB32 image of the picture's width; a null image stops with an error.
QByteArray encode(int width, int height, int bandRows,
                  const std::function<QImage(int top, int rows)> &band, QString *error = nullptr);

} // namespace PngBands
