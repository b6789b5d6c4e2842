// PNG decoded through libpng a row at a time into tiles. The transformations and pixel formats
// are those of Qt's own PNG reader, row for row, and each band goes through Qt's conversion to
// premultiplied ARGB32: the pixels are the ones a whole-picture read gives.
#include "PngBands.h"
#include "Image.h"
#include "TiledImage.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QtEndian>
#include <algorithm>
#include <csetjmp>
#include <cstring>
#include <memory>
#include <png.h>

namespace {
// The texts of this file, in the string table under "PngBands".
struct ReaderTexts
{
    Q_DECLARE_TR_FUNCTIONS(PngBands)
};

constexpr int T = TiledImage::kTileSide;
constexpr auto kTiled = QImage::Format_ARGB32_Premultiplied;

// Adam7: where each pass starts and how far its pixels lie apart.
constexpr int kRow0[7] = {0, 0, 4, 0, 2, 0, 1};
constexpr int kRowStep[7] = {8, 8, 8, 4, 4, 2, 2};
constexpr int kCol0[7] = {0, 4, 0, 2, 0, 1, 0};
constexpr int kColStep[7] = {8, 8, 4, 4, 2, 2, 1};

// Everything that outlives a jump back from libpng lives here, outside the jumping frame.
struct Decoding
{
    QIODevice &device;
    const PngBands::Progress &progress;
    png_structp png = nullptr;
    png_infop info = nullptr;
    png_infop endInfo = nullptr;
    bool readingEnd = false;
    QString deviceError;

    int width = 0;
    int height = 0;
    int passes = 1;
    QImage::Format format = QImage::Format_Invalid;
    QImage table; // a pixel of that format whose colour table is built as Qt builds its own
    QList<QRgb> colours;
    bool clampIndexes = false; // palette indexes past the table are read as 0, as Qt does
    qsizetype stride = 0;
    std::unique_ptr<uchar[]> rows;
    QImage native;
    QImage converted;
    QImage merged;
    std::unique_ptr<TiledImage> tiles;
    bool cancelled = false;
    bool outOfMemory = false;

    Decoding(QIODevice &d, const PngBands::Progress &p)
        : device(d)
        , progress(p)
    {
    }
    ~Decoding() { png_destroy_read_struct(&png, &info, &endInfo); }
};

extern "C" void readData(png_structp png, png_bytep data, png_size_t length)
{
    auto *d = static_cast<Decoding *>(png_get_io_ptr(png));
    QIODevice &in = d->device;
    if (d->readingEnd && !in.isSequential() && in.size() - in.pos() < 4 && length == 4) {
        // As Qt's reader: a file that lacks only its last checksum is still whole.
        static const uchar endCrc[4] = {0xae, 0x42, 0x60, 0x82};
        std::memcpy(data, endCrc, 4);
        in.seek(in.size());
        return;
    }
    while (length > 0) {
        const qint64 n = in.read(reinterpret_cast<char *>(data), qint64(length));
        if (n <= 0) {
            if (n < 0)
                d->deviceError = in.errorString();
            png_error(png, "Read Error");
        }
        data += n;
        length -= png_size_t(n);
    }
}

extern "C" void quietError(png_structp png, png_const_charp)
{
    png_longjmp(png, 1);
}

extern "C" void quietWarning(png_structp, png_const_charp) { }

// The transformations and image format of Qt's reader for this file's colour type and depth.
void setUpAsQt(Decoding &d)
{
    png_structp png = d.png;
    png_infop info = d.info;
    png_uint_32 width = 0, height = 0;
    int depth = 0, type = 0;
    png_get_IHDR(png, info, &width, &height, &depth, &type, nullptr, nullptr, nullptr);
    d.passes = png_set_interlace_handling(png);
    png_bytep transAlpha = nullptr;
    png_color_16p transColour = nullptr;
    int transCount = 0;
    png_colorp palette = nullptr;
    int paletteCount = 0;
    const bool hasTrns = png_get_valid(png, info, PNG_INFO_tRNS);
    if (type == PNG_COLOR_TYPE_GRAY) {
        if (depth == 1 && png_get_channels(png, info) == 1) {
            png_set_invert_mono(png);
            png_read_update_info(png, info);
            d.format = QImage::Format_Mono;
            d.table = QImage(1, 1, d.format);
            d.table.setColorCount(2);
            d.table.setColor(1, qRgb(0, 0, 0));
            d.table.setColor(0, qRgb(255, 255, 255));
            if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColour) && transColour) {
                if (transColour->gray == 0)
                    d.table.setColor(1, qRgba(0, 0, 0, 0));
                else if (transColour->gray == 1)
                    d.table.setColor(0, qRgba(255, 255, 255, 0));
            }
        } else if (depth == 16 && png_get_channels(png, info) == 1 && !hasTrns) {
            d.format = QImage::Format_Grayscale16;
            png_read_update_info(png, info);
            if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
                png_set_swap(png);
        } else if (depth == 16) {
            if (!hasTrns)
                png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
            else
                png_set_expand(png);
            png_set_gray_to_rgb(png);
            d.format = hasTrns ? QImage::Format_RGBA64 : QImage::Format_RGBX64;
            png_read_update_info(png, info);
            if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
                png_set_swap(png);
        } else if (depth == 8 && !hasTrns) {
            png_set_expand(png);
            d.format = QImage::Format_Grayscale8;
            png_read_update_info(png, info);
        } else {
            if (depth < 8)
                png_set_packing(png);
            const int count = depth < 8 ? 1 << depth : 256;
            png_read_update_info(png, info);
            d.format = QImage::Format_Indexed8;
            d.table = QImage(1, 1, d.format);
            d.table.setColorCount(count);
            for (int i = 0; i < count; ++i) {
                const int c = i * 255 / (count - 1);
                d.table.setColor(i, qRgba(c, c, c, 0xff));
            }
            if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColour) && transColour
                && transColour->gray < count)
                d.table.setColor(transColour->gray, 0);
        }
    } else if (type == PNG_COLOR_TYPE_PALETTE && png_get_PLTE(png, info, &palette, &paletteCount)
               && paletteCount <= 256) {
        if (depth != 1)
            png_set_packing(png);
        png_read_update_info(png, info);
        png_get_IHDR(png, info, &width, &height, &depth, &type, nullptr, nullptr, nullptr);
        d.format = depth == 1 ? QImage::Format_Mono : QImage::Format_Indexed8;
        png_get_PLTE(png, info, &palette, &paletteCount);
        d.table = QImage(1, 1, d.format);
        d.table.setColorCount(d.format == QImage::Format_Mono ? 2 : paletteCount);
        int i = 0;
        if (png_get_tRNS(png, info, &transAlpha, &transCount, &transColour) && transAlpha)
            for (; i < transCount; ++i)
                d.table.setColor(
                    i, qRgba(palette[i].red, palette[i].green, palette[i].blue, transAlpha[i]));
        for (; i < paletteCount; ++i)
            d.table.setColor(i, qRgba(palette[i].red, palette[i].green, palette[i].blue, 0xff));
        d.clampIndexes = d.format == QImage::Format_Indexed8;
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            png_set_bgr(png);
    } else if (depth == 16 && !(type & PNG_COLOR_MASK_PALETTE)) {
        d.format = QImage::Format_RGBA64;
        if (!(type & PNG_COLOR_MASK_ALPHA) && !hasTrns) {
            png_set_filler(png, 0xffff, PNG_FILLER_AFTER);
            d.format = QImage::Format_RGBX64;
        } else if (!(type & PNG_COLOR_MASK_ALPHA)) {
            // Qt 6.4 reads these three-channel rows into a four-channel image unexpanded,
            // leaving a quarter of each row undefined; the transparent colour is made alpha here.
            png_set_tRNS_to_alpha(png);
        }
        if (!(type & PNG_COLOR_MASK_COLOR))
            png_set_gray_to_rgb(png);
        png_read_update_info(png, info);
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            png_set_swap(png);
    } else {
        if (depth == 16)
            png_set_strip_16(png);
        png_set_expand(png);
        if (type == PNG_COLOR_TYPE_GRAY_ALPHA)
            png_set_gray_to_rgb(png);
        d.format = QImage::Format_ARGB32;
        if (!(type & PNG_COLOR_MASK_ALPHA) && !hasTrns) {
            png_set_filler(png, 0xff,
                           QSysInfo::ByteOrder == QSysInfo::BigEndian ? PNG_FILLER_BEFORE
                                                                      : PNG_FILLER_AFTER);
            d.format = QImage::Format_RGB32;
        }
        if (QSysInfo::ByteOrder == QSysInfo::BigEndian)
            png_set_swap_alpha(png);
        if (QSysInfo::ByteOrder == QSysInfo::LittleEndian)
            png_set_bgr(png);
        png_read_update_info(png, info);
    }
}

// Band rows [top, top + count) of the picture as Qt's format, over the row buffer.
void wrapRows(Decoding &d, int count)
{
    d.native = QImage(d.rows.get(), d.width, count, d.stride, d.format);
    if (!d.colours.isEmpty())
        d.native.setColorTable(d.colours);
}

void readRow(Decoding &d, uchar *row)
{
    png_read_row(d.png, row, nullptr);
    const qsizetype count = d.colours.size();
    if (d.clampIndexes && count < 256)
        for (int x = 0; x < d.width; ++x)
            if (row[x] >= count)
                row[x] = 0;
}

bool tell(Decoding &d, double fraction)
{
    if (d.progress && !d.progress(fraction))
        d.cancelled = true;
    return !d.cancelled;
}

// Decodes every row into d.tiles; false when libpng failed, a tile could not be made or the
// progress asked to stop. Jumped back to on libpng's errors: nothing here needs destroying.
bool decodeRows(Decoding &d)
{
    if (setjmp(png_jmpbuf(d.png)))
        return false;
    const int firstRows = (d.height - 1) % T + 1; // bands meet the tile grid, counted from below
    for (int pass = 0; pass < d.passes; ++pass) {
        const bool interlaced = d.passes > 1;
        for (int top = 0; top < d.height;) {
            const int count = top == 0 ? firstRows : T;
            if (interlaced)
                std::memset(d.rows.get(), 0, std::size_t(d.stride) * count);
            bool inPass = !interlaced;
            for (int i = 0; i < count; ++i) {
                readRow(d, d.rows.get() + d.stride * i);
                const int y = top + i;
                inPass = inPass || (y >= kRow0[pass] && (y - kRow0[pass]) % kRowStep[pass] == 0);
            }
            if (inPass) {
                wrapRows(d, count);
                d.converted = d.native.convertToFormat(kTiled);
                if (d.converted.isNull()) {
                    d.outOfMemory = true;
                    return false;
                }
                if (interlaced) {
                    // Only this pass's pixels are new; the others are where earlier passes left
                    // them.
                    d.merged = QImage(d.width, count, kTiled);
                    if (d.merged.isNull()) {
                        d.outOfMemory = true;
                        return false;
                    }
                    d.tiles->readPixels(QRect(0, d.height - top - count, d.width, count), d.merged,
                                        0, 0);
                    for (int i = 0; i < count; ++i) {
                        const int y = top + i;
                        if (y < kRow0[pass] || (y - kRow0[pass]) % kRowStep[pass] != 0)
                            continue;
                        const auto *from
                            = reinterpret_cast<const QRgb *>(d.converted.constScanLine(i));
                        auto *to = reinterpret_cast<QRgb *>(d.merged.scanLine(i));
                        for (int x = kCol0[pass]; x < d.width; x += kColStep[pass])
                            to[x] = from[x];
                    }
                    d.converted = std::move(d.merged);
                }
                if (!d.tiles->setRows(top, d.converted)) {
                    d.outOfMemory = true;
                    return false;
                }
            }
            top += count;
            if (!tell(d, (double(pass) * d.height + top) / (double(d.passes) * d.height)))
                return false;
        }
    }
    d.readingEnd = true;
    png_read_end(d.png, d.endInfo);
    return true;
}

// Sets the header up; false with libpng's failure.
bool readHeader(Decoding &d)
{
    if (setjmp(png_jmpbuf(d.png)))
        return false;
    png_set_read_fn(d.png, &d, readData);
    png_read_info(d.png, d.info);
    d.width = int(png_get_image_width(d.png, d.info));
    d.height = int(png_get_image_height(d.png, d.info));
    setUpAsQt(d);
    d.colours = d.table.colorTable();
    return true;
}

PngBands::Outcome fail(QString *error, const QString &message)
{
    if (error)
        *error = message;
    return PngBands::Outcome::Failed;
}

QString damaged()
{
    return ReaderTexts::tr("The picture's data is damaged or incomplete.");
}

QString tooLarge(quint32 width, quint32 height)
{
    return ReaderTexts::tr(
               "The picture is %1 × %2 pixels; a sheet can be at most %3 pixels wide and high.")
        .arg(width)
        .arg(height)
        .arg(Image::kMaxSide);
}
} // namespace

namespace PngBands {

Outcome read(QIODevice &device, TiledImage *image, const Progress &progress, QString *error)
{
    // The signature and the header's size, looked at before libpng allocates anything.
    const QByteArray head = device.peek(24);
    if (head.size() < 8 || std::memcmp(head.constData(), "\x89PNG\r\n\x1a\n", 8) != 0)
        return fail(error, ReaderTexts::tr("The data is not a PNG picture."));
    if (head.size() == 24 && head.mid(12, 4) == "IHDR") {
        const auto *bytes = reinterpret_cast<const uchar *>(head.constData());
        const quint32 width = qFromBigEndian<quint32>(bytes + 16);
        const quint32 height = qFromBigEndian<quint32>(bytes + 20);
        if (width > quint32(Image::kMaxSide) || height > quint32(Image::kMaxSide))
            return fail(error, tooLarge(width, height));
    }

    Decoding d(device, progress);
    d.png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, quietError, quietWarning);
    d.info = d.png ? png_create_info_struct(d.png) : nullptr;
    d.endInfo = d.info ? png_create_info_struct(d.png) : nullptr;
    if (!d.endInfo)
        return fail(error, ReaderTexts::tr("There is not enough memory to read the picture."));
    png_set_user_limits(d.png, Image::kMaxSide, Image::kMaxSide);
#if defined(PNG_SET_OPTION_SUPPORTED) && defined(PNG_MAXIMUM_INFLATE_WINDOW)
    // As Qt's reader: files whose zlib header understates the window still open.
    png_set_option(d.png, PNG_MAXIMUM_INFLATE_WINDOW, PNG_OPTION_ON);
#endif
    if (!readHeader(d))
        return fail(error, d.deviceError.isEmpty() ? damaged() : d.deviceError);
    const Size size {float(d.width), float(d.height)};
    if (!Image::isValidSize(size))
        return fail(error, tooLarge(quint32(d.width), quint32(d.height)));

    const QString noMemory
        = ReaderTexts::tr("There is not enough memory for a picture of %1 × %2 pixels.")
              .arg(d.width)
              .arg(d.height);
    d.stride = QImage(d.width, 1, d.format).bytesPerLine();
    if (d.stride == 0 || qsizetype(png_get_rowbytes(d.png, d.info)) > d.stride)
        return fail(error, damaged());
    d.rows.reset(new (std::nothrow) uchar[std::size_t(d.stride) * T]);
    d.tiles = std::make_unique<TiledImage>(size);
    if (!d.rows)
        return fail(error, noMemory);
    if (!tell(d, 0.0))
        return Outcome::Cancelled;
    if (!decodeRows(d)) {
        if (d.cancelled)
            return Outcome::Cancelled;
        if (d.outOfMemory)
            return fail(error, noMemory);
        return fail(error, d.deviceError.isEmpty() ? damaged() : d.deviceError);
    }
    if (image)
        *image = std::move(*d.tiles);
    return Outcome::Done;
}

} // namespace PngBands
