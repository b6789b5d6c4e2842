#pragma once

#include "BlendMode.h"
#include "PngBands.h"
#include "TiledImage.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class QIODevice;

// One layer placed on the sheet.
struct OraLayer
{
    QString name;
    bool visible = true;
    float opacity = 1.0f; // 0..1
    BlendMode mode = BlendMode::Normal;
    bool locked = false;
    bool alphaLocked = false;
    bool selected = false; // the layer the pen was on
    // The sheet's size, y up like every TiledImage. For writing, a sharedCopy() of a layer's
    // image costs no pixels.
    std::unique_ptr<TiledImage> image;
};

struct OraPicture
{
    int width = 0;
    int height = 0;
    std::vector<OraLayer> layers; // the top layer first
    // What was read only approximately (groups flattened, unknown modes drawn normally), for
    // telling the user once the picture is open.
    QStringList notes;
};

// Layered pictures in the OpenRaster format that MyPaint, Krita and GIMP share: a zip of
// stack.xml, one PNG a layer, the merged picture and a thumbnail. Every PNG goes through the
// banded codec, so no layer is ever one whole image in memory.
namespace OpenRaster {

using Outcome = PngBands::Outcome;
using Progress = PngBands::Progress;

constexpr int kMostLayers = 1000;
constexpr qint64 kLargestStack = qint64(4) << 20; // stack.xml, unpacked
constexpr int kThumbnailSide = 256;

// Writes the picture to a seekable device open for writing; merged gives the rows of the
// composite of the picture's size. On Cancelled or Failed the device holds part of a file.
Outcome write(QIODevice &device, const OraPicture &picture, const PngBands::BandSource &merged,
              const Progress &progress = {}, QString *error = nullptr);
// The same to a file, replaced only on Done.
Outcome write(const QString &path, const OraPicture &picture, const PngBands::BandSource &merged,
              const Progress &progress = {}, QString *error = nullptr);

// Reads a picture from a seekable device open for reading; *out is set on Done only. Anything
// that would read outside the archive, or unpack to more than the picture can hold, is refused.
Outcome read(QIODevice &device, OraPicture *out, const Progress &progress = {},
             QString *error = nullptr);
Outcome read(const QString &path, OraPicture *out, const Progress &progress = {},
             QString *error = nullptr);

} // namespace OpenRaster
