#pragma once

#include <QByteArray>
#include <QImage>
#include <QString>
#include <functional>

class QIODevice;
class TiledImage;

// PNG files written and read a band of rows at a time, so that a picture larger than memory
// holds as one image can still be saved and opened, with progress and a way to stop.
namespace PngBands {

// band(top, rows) gives rows [top, top + rows) of the picture, counted from the top, as a
// premultiplied ARGB32 image of the picture's width; a null image stops with an error.
using BandSource = std::function<QImage(int top, int rows)>;
// Told the fraction done, from 0 to 1; false stops the work.
using Progress = std::function<bool(double fraction)>;

enum class Outcome { Done, Cancelled, Failed };

struct WriteOptions
{
    int bandRows = 256;
    // Threads that compress bands beside the caller's (which makes the bands): 0 compresses
    // on the caller's thread. The file is the same byte for byte whatever the number.
    int workers = 2;
    Progress progress;
};

// 8-bit RGBA, unpremultiplied as Qt's PNG writer does, no resolution; to the device, checking
// every write (a failed one reports the device's errorString()). band() is called on the
// caller's thread only. On Cancelled or Failed the device holds part of a file.
Outcome write(QIODevice &device, int width, int height, const BandSource &band,
              const WriteOptions &options, QString *error = nullptr);

// The same file as one byte array; empty on failure.
QByteArray encode(int width, int height, int bandRows, const BandSource &band,
                  QString *error = nullptr);

// Decodes a PNG from the device a few rows at a time straight into tiles, to the premultiplied
// pixels Qt's reader would give (no gamma or colour space applied): only tiles holding a
// painted pixel are made. A header announcing a picture larger than a sheet can be is refused
// before anything is allocated; damaged or cut-off data is refused. *image is set on Done only.
Outcome read(QIODevice &device, TiledImage *image, const Progress &progress = {},
             QString *error = nullptr);

} // namespace PngBands
