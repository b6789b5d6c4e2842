#pragma once

#include "PngBands.h"

#include <QByteArray>
#include <QString>

class QIODevice;
class TiledImage;

// A picture file decoded straight into tiles, so that opening costs about the painted tiles
// rather than a plane of the whole picture: PNG a few rows at a time, SVG rendered a band at a
// time, every other format decoded whole by Qt's reader and then cut into tiles.
namespace PictureFile {

using Outcome = PngBands::Outcome;

// The rows an SVG is rendered in at a time.
constexpr int kSvgBandRows = 256;
// An SVG larger than this (uncompressed) is refused unread.
constexpr qint64 kLargestSvg = qint64(256) << 20;

// Decodes the device from its position by content (formatHint, an extension, is tried when
// that fails, as ImageCodec::decode does). A picture larger than a sheet can be is refused from
// its header; an SVG that refers to other files is refused, so that nothing but the device is
// read. *image is set on Done only; progress may stop the work (Cancelled).
Outcome read(QIODevice &device, const QByteArray &formatHint, TiledImage *image,
             const PngBands::Progress &progress = {}, QString *error = nullptr);

// An SVG's other files: the first reference to anything outside the document (a file name or
// address, an entity or style sheet kept elsewhere, a drawing carried as data), or an empty
// string when it has none. Data that is no well-formed XML is said to refer to "?" as nothing
// about it can be trusted. Data that may be a drawing never reaches Qt's readers unchecked.
QString svgExternalReference(const QByteArray &svg);

} // namespace PictureFile
