#include "PngBands.h"

#include <QCoreApplication>
#include <algorithm>
#include <csetjmp>
#include <png.h>

namespace {
void append(png_structp png, png_bytep data, png_size_t length)
{
    static_cast<QByteArray *>(png_get_io_ptr(png))
        ->append(reinterpret_cast<const char *>(data), qsizetype(length));
}

void flush(png_structp) { }

// The texts of this file, in the string table under "PngBands".
struct PngBandsTexts
{
    Q_DECLARE_TR_FUNCTIONS(PngBands)
};
} // namespace

namespace PngBands {

QByteArray encode(int width, int height, int bandRows,
                  const std::function<QImage(int top, int rows)> &band, QString *error)
{
    QByteArray out;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png ? png_create_info_struct(png) : nullptr;
    if (!info) {
        png_destroy_write_struct(&png, nullptr);
        if (error)
            *error = PngBandsTexts::tr("There is not enough memory to write the picture.");
        return {};
    }
    // libpng reports its errors by jumping back here: whatever lives past the jump is declared
    // before it, so that no destructor is skipped.
    QImage rgba;
    bool bandMissing = false;
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_write_struct(&png, &info);
        if (error)
            *error = PngBandsTexts::tr("The picture could not be written as PNG.");
        return {};
    }
    png_set_write_fn(png, &out, append, flush);
    png_set_IHDR(png, info, png_uint_32(width), png_uint_32(height), 8, PNG_COLOR_TYPE_RGB_ALPHA,
                 PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    for (int top = 0; top < height && !bandMissing; top += bandRows) {
        const int rows = std::min(bandRows, height - top);
        rgba = band(top, rows).convertToFormat(QImage::Format_RGBA8888);
        bandMissing = rgba.isNull() || rgba.width() != width || rgba.height() != rows;
        for (int y = 0; y < rows && !bandMissing; ++y)
            png_write_row(png, const_cast<png_bytep>(rgba.constScanLine(y)));
    }
    if (!bandMissing)
        png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    if (bandMissing) {
        if (error)
            *error = PngBandsTexts::tr("There is not enough memory to flatten the picture.");
        return {};
    }
    return out;
}

} // namespace PngBands
