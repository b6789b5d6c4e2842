// Composites of the layers the pen is not on, kept for the view while they do not change.
#include "Picture.h"

#include "Graphics.h"

#include <QPainter>
#include <algorithm>

namespace {
constexpr int T = TiledImage::kTileSide;
// Runs kept at once: under and over the current layer, single layers between them in other
// modes, and a few from layers chosen before.
constexpr std::size_t kMostRuns = 12;
} // namespace

bool Picture::joinsRun(std::size_t index) const
{
    const Layer &layer = *mLayers[index];
    return &layer != mCurrLayer && layer.image()
        && layer.compositionMode() == QPainter::CompositionMode_SourceOver;
}

bool Picture::drawRun(std::size_t first, std::size_t last, const Rect &r,
                      const QColor *paper) const
{
    // Asked at every step of a stroke: kept from call to call rather than allocated each time.
    thread_local std::vector<const Layer *> layers;
    thread_local std::vector<quint64> signature;
    layers.clear();
    signature.clear();
    for (std::size_t i = first; i < last; ++i) {
        const Layer *layer = mLayers[i].get();
        layers.push_back(layer);
        signature.push_back(layer->image()->revision());
        signature.push_back(quint64(layer->isEnabled() ? layer->opacity() * 1e6f + 1 : 0));
        signature.push_back(quint64(layer->compositionMode()));
    }
    for (const auto &u : mUndoLayers)
        if (u->image() && std::find(layers.begin(), layers.end(), u->layer()) != layers.end()) {
            signature.push_back(u->image()->revision());
            signature.push_back(quint64(u->opacity() * 1e6f) << 8 | quint64(u->blitType()));
        }
    if (paper)
        signature.push_back(paper->rgba64());
    // A layer alone is kept as it is assembled, at full strength, and shown in its own mode.
    const bool alone = !paper && last - first == 1;
    const Layer *const only = mLayers[first].get();
    auto found = std::find_if(mRunCaches.begin(), mRunCaches.end(), [&](const auto &c) {
        return c->layers == layers && c->overPaper == (paper != nullptr);
    });
    if (found == mRunCaches.end()) {
        if (mRunCaches.size() >= kMostRuns)
            mRunCaches.erase(mRunCaches.begin());
        mRunCaches.push_back(std::make_unique<RunCache>());
        found = mRunCaches.end() - 1;
        (*found)->layers = layers;
        (*found)->overPaper = paper != nullptr;
    }
    RunCache &cache = **found;
    if (cache.signature != signature || !cache.image || cache.image->size() != mSheetSize) {
        cache.signature = signature;
        cache.image = std::make_unique<TiledImage>(mSheetSize);
        cache.built.assign(std::size_t(cache.image->tileColumns() * cache.image->tileRows()),
                           false);
    }
    TiledImage &image = *cache.image;
    const QRect pixels = image.pixelRect(r);
    if (pixels.isEmpty())
        return true;
    bool whole = true;
    for (int ty = pixels.y() / T; ty <= (pixels.y() + pixels.height() - 1) / T; ++ty)
        for (int tx = pixels.x() / T; tx <= (pixels.x() + pixels.width() - 1) / T; ++tx) {
            const std::size_t k = std::size_t(ty) * std::size_t(image.tileColumns()) + std::size_t(tx);
            if (cache.built[k])
                continue;
            // The tile as the layers would show it one by one, each assembled with the strokes
            // the history holds over it.
            QImage tile(T, T, QImage::Format_ARGB32_Premultiplied);
            QImage scratch(T, T, QImage::Format_ARGB32_Premultiplied);
            if (tile.isNull() || scratch.isNull()) {
                whole = false;
                continue;
            }
            if (paper)
                tile.fill(*paper);
            else
                tile.fill(Qt::transparent);
            bool painted = false;
            const QRect tileRect(tx * T, ty * T, T, T);
            for (const Layer *layer : layers) {
                if (!layer->isEnabled())
                    continue;
                const QImage *own = layer->image()->tileAt(tx, ty);
                scratch.fill(Qt::transparent);
                bool any = own != nullptr;
                QPainter p(&scratch);
                if (own)
                    p.drawImage(0, 0, *own);
                for (const auto &u : mUndoLayers) {
                    const QImage *over = u->layer() == layer ? u->image()->tileAt(tx, ty) : nullptr;
                    if (!over)
                        continue;
                    // Only what the stroke's rectangles touched shows, as when drawn alone.
                    const QRect shown = image.pixelRect(u->paintedBounds()).intersected(tileRect);
                    if (shown.isEmpty())
                        continue;
                    any = true;
                    const QRect inTile(shown.x() - tx * T, ty * T + T - (shown.y() + shown.height()),
                                       shown.width(), shown.height());
                    p.setCompositionMode(layer->isAlphaLocked() && u->blitType() == BlitType::Paint
                                             ? QPainter::CompositionMode_SourceAtop
                                             : u->compositionMode());
                    p.setOpacity(u->opacity());
                    p.drawImage(inTile.topLeft(), *over, inTile);
                }
                p.end();
                if (!any)
                    continue;
                if (alone) {
                    std::swap(tile, scratch);
                } else {
                    QPainter onto(&tile);
                    onto.setCompositionMode(paper ? layer->compositionMode()
                                                  : QPainter::CompositionMode_SourceOver);
                    onto.setOpacity(layer->opacity());
                    onto.drawImage(0, 0, scratch);
                }
                painted = true;
            }
            if (painted) {
                quint32 *bits = image.tileForWriting(tx, ty);
                if (!bits) {
                    whole = false;
                    continue;
                }
                for (int y = 0; y < T; ++y)
                    std::copy_n(reinterpret_cast<const quint32 *>(tile.constScanLine(y)), T,
                                bits + y * T);
            }
            cache.built[k] = true;
        }
    if (!whole)
        return false; // no memory for the composite: the layers are shown one by one instead
    // Over paper, a painted tile is opaque and covers the paper shown; elsewhere the paper
    // alone shows, as the layers would leave it.
    image.drawRect(Graphics::currentPainter(), Graphics::currentSheetToDevice(), r,
                   alone ? only->compositionMode() : QPainter::CompositionMode_SourceOver,
                   alone ? only->opacity() : 1.0);
    return true;
}
