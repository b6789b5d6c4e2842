#include "PictureOpenRaster.h"

#include "Picture.h"

#include <QCoreApplication>
#include <cmath>

namespace {
struct PictureOpenRasterTexts
{
    Q_DECLARE_TR_FUNCTIONS(PictureOpenRaster)
};

PngBands::BandSource compositeOf(const Picture &picture)
{
    return [&picture](int top, int rows) { return picture.flattenRows(top, rows, false); };
}
} // namespace

namespace OpenRaster {

bool layersOfPicture(const Picture &picture, OraPicture *out, QString *error)
{
    const Size sheet = picture.sheetSize();
    OraPicture ora;
    ora.width = int(std::ceil(sheet.width));
    ora.height = int(std::ceil(sheet.height));
    const int count = int(picture.layers().size());
    for (int i = count - 1; i >= 0; --i) {
        const std::shared_ptr<Layer> layer = picture.assembledLayer(i);
        if (!layer || !layer->image()) {
            if (error)
                *error = PictureOpenRasterTexts::tr(
                    "There is not enough memory to assemble the layers.");
            return false;
        }
        const LayerProperties p = layer->properties();
        OraLayer entry;
        entry.name = p.name;
        entry.visible = p.visible;
        entry.opacity = p.opacity;
        entry.mode = p.mode;
        entry.locked = p.locked;
        entry.alphaLocked = p.alphaLocked;
        entry.selected = i == picture.currentLayerIndex();
        entry.image = std::make_unique<TiledImage>(layer->image()->sharedCopy());
        ora.layers.push_back(std::move(entry));
    }
    *out = std::move(ora);
    return true;
}

Outcome writePicture(QIODevice &device, const Picture &picture, const Progress &progress,
                     QString *error)
{
    OraPicture ora;
    if (!layersOfPicture(picture, &ora, error))
        return Outcome::Failed;
    return write(device, ora, compositeOf(picture), progress, error);
}

Outcome writePicture(const QString &path, const Picture &picture, const Progress &progress,
                     QString *error)
{
    OraPicture ora;
    if (!layersOfPicture(picture, &ora, error))
        return Outcome::Failed;
    return write(path, ora, compositeOf(picture), progress, error);
}

std::vector<std::unique_ptr<Layer>> takeLayers(OraPicture &picture)
{
    const Size sheet {float(picture.width), float(picture.height)};
    std::vector<std::unique_ptr<Layer>> layers;
    for (auto it = picture.layers.rbegin(); it != picture.layers.rend(); ++it) {
        auto layer = it->image ? std::make_unique<Layer>(std::move(it->image))
                               : std::make_unique<Layer>(sheet);
        LayerProperties p;
        p.name = it->name;
        p.visible = it->visible;
        p.opacity = it->opacity;
        p.mode = it->mode;
        p.locked = it->locked;
        p.alphaLocked = it->alphaLocked;
        layer->setProperties(p);
        layers.push_back(std::move(layer));
    }
    return layers;
}

int selectedLayer(const OraPicture &picture)
{
    const int count = int(picture.layers.size());
    for (int i = 0; i < count; ++i)
        if (picture.layers[std::size_t(i)].selected)
            return count - 1 - i;
    return count - 1;
}

} // namespace OpenRaster
