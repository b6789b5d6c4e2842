#pragma once

#include <QImage>
#include <atomic>
#include <vector>

// The image data of a PNG compressed a band of rows at a time, each band on its own so that
// bands can be compressed on several threads and joined, as pigz joins its blocks: every band
// but the last ends on a byte boundary without ending the stream, none refers back into
// another, and the checksums are combined. Rows are unpremultiplied by the conversion Qt's PNG
// writer uses and filtered with Sub; zlib's run-length strategy is the fastest of its
// strategies and, after Sub, also gave the smallest files on drawings and painted sheets alike.
// Long runs of zeros (transparent or flat pixels, once filtered) skip zlib: their blocks are
// written directly, at almost no cost.
namespace PngDeflate {

struct Band
{
    std::vector<uchar> data; // raw deflate blocks
    quint32 adler = 1; // adler32 of the filtered rows
    qint64 length = 0; // their size in bytes
    bool ok = false;
};

// pixels: premultiplied ARGB32. last: the band ends the stream. Stops early, not ok, when stop
// becomes true or memory runs out.
Band deflateBand(const QImage &pixels, bool last, const std::atomic<bool> &stop);

// The zlib header every file's stream starts with, and the trailer of its combined checksum.
constexpr uchar kZlibHeader[2] = {0x78, 0x01};
quint32 combineAdler(quint32 first, quint32 second, qint64 secondLength);

} // namespace PngDeflate
