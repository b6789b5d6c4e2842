#pragma once

#include "Image.h"

#include <QByteArray>
#include <QImage>
#include <QString>

class QIODevice;

// Pictures to file and clipboard data and back, through Qt's image writers and readers.
namespace ImageCodec {

// The quality of a lossy format (JPEG, WebP) when none was chosen.
constexpr int kQuality = 90;
// Whether the format's writer takes a quality (JPEG, WebP), and whether it keeps no
// transparency, which is then written on white; by extension.
bool takesQuality(const QByteArray &extension);
bool isOpaqueFormat(const QByteArray &extension);

// The picture as written by Qt's writer for a file extension ("png", "jpg"), with no resolution
// and, where the format's quality is lossy, that quality. Empty, with a reason in *error, when
// there is no writer for the extension or it fails.
QByteArray encode(QImage image, const QByteArray &extension, int quality, QString *error = nullptr);

// A larger file holds no picture Inkpond can open. Qt's readers may allocate at most 8 bytes a
// pixel of the largest sheet (16-bit RGBA), and no format Inkpond reads stores a pixel in more
// than that, uncompressed, bar the text ones (plain PNM, XPM), in which no one keeps pictures
// that large. 64 MB more leaves room for headers, colour profiles and other metadata.
constexpr qint64 kLargestFile = qint64(Image::kMaxSide) * Image::kMaxSide * 8 + (qint64(64) << 20);

// Decodes by content; formatHint (an extension) is tried only when that fails, for formats
// without a signature (Targa). Pictures larger than a sheet can be are refused from their
// header, before any pixel is decoded; damaged and incomplete data is refused. The result is
// premultiplied ARGB32, one pixel per point: resolution metadata is ignored.
QImage decode(const QByteArray &data, const QByteArray &formatHint, QString *error = nullptr);
// The same from a device, read from its position as the format's reader asks for it.
QImage decode(QIODevice &device, const QByteArray &formatHint, QString *error = nullptr);

// Whether data of a format (as Qt names it) holds all that its structure announces. Checks the
// formats whose Qt reader pads a truncated file silently; true for the others.
bool isComplete(const QByteArray &data, const QByteArray &format);
// The same for a seekable device, from its start, leaving it where it was.
bool isComplete(QIODevice &device, const QByteArray &format);

} // namespace ImageCodec
