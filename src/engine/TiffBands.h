#pragma once

#include "PngBands.h"

#include <QByteArray>
#include <QString>

// TIFF written a band of rows at a time, for pictures too large to flatten whole: Qt's TIFF
// writer takes only a whole QImage.
namespace TiffBands {

// Each band is one strip of 8-bit RGBA with associated (premultiplied) alpha, Deflate-compressed
// after the horizontal predictor: Qt's reader gives back the band's pixels exactly, and blank
// or flat areas cost almost nothing. band() as for PngBands::write, called on the caller's
// thread. Empty, with a reason in *error, when a band is null, memory runs out or the file would
// outgrow the 4 GB a classic TIFF can address.
QByteArray encode(int width, int height, int bandRows, const PngBands::BandSource &band,
                  QString *error = nullptr);

} // namespace TiffBands
