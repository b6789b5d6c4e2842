#pragma once

#include "Background.h"
#include "Color.h"
#include "Geometry.h"
#include "Image.h"
#include "Layer.h"
#include "LayerComposite.h"
#include "PicturePyramid.h"
#include "StrokeRaster.h"

#include <QImage>
#include <memory>
#include <vector>

// The picture a canvas shows, without any widget: its layers (the current one painted on),
// the undo snapshots of the last strokes over it, those undone that can still be redone, the
// sheet's size and background type. What
// it costs follows what was painted, never the sheet's area, except for flattening, the one
// place a whole image is made.
class Picture final : public LayerComposite
{
public:
    // How many strokes the history keeps, a setting of the user's.
    static constexpr int kDefaultUndoDepth = 10;
    static constexpr int kMinUndoDepth = 1;
    static constexpr int kMaxUndoDepth = 100;

    // A transparent layer of that size; an invalid size gives a picture without a sheet.
    Picture(Size sheet, BgType bgType);
    ~Picture();
    Picture(const Picture &) = delete; // its pyramid refers to it
    Picture &operator=(const Picture &) = delete;

    Size sheetSize() const override { return mSheetSize; }
    BgType bgType() const { return mBgType; }
    void setBgType(BgType type) { mBgType = type; }

    // Bottom first.
    const std::vector<std::shared_ptr<Layer>> &layers() const { return mLayers; }
    Layer *currentLayer() const { return mCurrLayer; }
    int currentLayerIndex() const;

    // The layers as the user arranges them (PictureLayers.cpp). Each change but the choice of
    // the current layer is a step of the history, undone and redone as a stroke is; layers
    // share their tiles with what the history keeps of them. Indices count from the bottom.
    // False, with nothing changed, for an index out of range, a lone layer's deletion or merge,
    // or when the oldest step could not be merged (no memory for its tiles).
    bool setCurrentLayer(int index);
    bool addLayer(int index, const LayerProperties &properties);
    bool duplicateLayer(int index, const QString &name);
    bool deleteLayer(int index);
    bool moveLayer(int from, int to);
    bool mergeLayerDown(int index); // into the one below, which keeps its properties
    bool flattenLayers(); // the visible layers into the bottom one's place
    bool setLayerProperties(int index, const LayerProperties &properties);
    // The layer's pixels, its history's strokes painted in, moved by whole pixels; what leaves
    // the sheet is lost. The layer moved stays current if it was.
    bool offsetLayer(int index, int dx, int dy);
    // A layer made elsewhere (of the sheet's size) inserted at index and made current.
    bool insertLayer(int index, std::shared_ptr<Layer> layer, const LayerProperties &properties);
    // A layer of the sheet's size holding image (premultiplied ARGB32, row 0 at the top) with
    // its bottom-left pixel at (x, y); what falls off the sheet is cropped. nullptr when the
    // image is null or a tile cannot be had.
    std::shared_ptr<Layer> layerFromImage(const QImage &image, int x, int y) const;
    // source's pixels moved by (dx, dy) into a new layer of the sheet's size; nullptr when a
    // tile cannot be had.
    std::shared_ptr<Layer> offsetCopy(const Layer &source, int dx, int dy) const;
    // Layers shown for a while with no step of the history (a paste not yet placed, a layer
    // being dragged); endPreview() puts back those it replaced. Nothing else may change the
    // layers meanwhile.
    void previewLayers(const LayerStack &shown);
    void endPreview();
    bool isPreviewing() const { return !mPreviewed.layers.empty(); }
    LayerStack layerStack() const;
    const std::vector<std::unique_ptr<UndoLayer>> &undoLayers() const { return mUndoLayers; }
    // The layer at index as it shows, the strokes the history holds over it painted in, sharing
    // its tiles; nullptr for an index out of range or when a tile could not be made.
    std::shared_ptr<Layer> assembledLayer(int index) const;

    // The most snapshots the history holds, undone ones counted with it. Lowering it merges the
    // oldest over it into their layers at once and gives up what can be redone past it; the
    // picture shows the same. Clamped to kMinUndoDepth..kMaxUndoDepth. False when a merge could
    // not make a tile of its layer: what was not merged stays and the next stroke tries again.
    int undoDepth() const { return int(mUndoDepth); }
    bool setUndoDepth(int depth);

    // The snapshot a new stroke paints into over base, newest in the history; when the history
    // is full, the oldest is merged into its layer and serves again. nullptr when the merge
    // could not make a tile of its layer (the history is then as it was).
    UndoLayer *createUndoLayer(Layer *base);
    // Undo moves the newest snapshot out of the history to be redone, redo moves the last one
    // undone back; each gives the snapshot moved, or nullptr when there is none. Undone
    // snapshots are kept only until the history is rewritten: a new stroke, a re-framing or a
    // replacement of the layers frees them.
    const UndoLayer *undoNewest();
    const UndoLayer *redoNewest();
    bool canRedo() const { return !mRedoLayers.empty(); }
    bool isUndoLayerAlive(const UndoLayer *layer) const;

    // One segment of a stroke or line into a snapshot of this picture, kept within what touched
    // reaches; erasing when colour is nullptr. The stroke's segments cover each pixel once and
    // the colour's alpha goes to the snapshot's opacity (UndoLayer::takeInk). False when a tile
    // could not be made.
    bool paintInk(UndoLayer &snapshot, const InkSegment &segment, const Rect &touched,
                  const Color *colour);
    // A round segment of one width (a dot inscribed in `dot` when from == to).
    bool paintSegment(UndoLayer &snapshot, Point from, Point to, float width, const Rect &touched,
                      const Rect &dot, const Color *colour);
    static InkSegment roundSegment(Point from, Point to, float width, const Rect &dot);
    // The segment laid over what a painter in sheet coordinates shows, within touched.
    static void drawInk(QPainter &painter, const InkSegment &segment, const Rect &touched,
                        const QColor &colour);

    // Every enabled layer with its snapshots into part r of the current drawing destination.
    void renderLayersInRect(const Rect &r) const override;
    // A straight line not yet painted into its snapshot: shown as it will be once painted in.
    struct PendingLine
    {
        const UndoLayer *snapshot = nullptr;
        InkSegment segment;
        Rect touched;
        QColor colour;
    };
    // Whether the line must be shown through the picture: a translucent line joining the painted
    // lines of its chain covers their pixels once with them, so it is not simply laid over.
    static bool showsThroughPicture(const PendingLine &line);
    // renderLayersInRect() with the line in its snapshot, when showsThroughPicture() says so.
    // onPaper: the destination already shows the paper there, which layers in other modes than
    // the normal one may then be kept composed over.
    void renderLayersInRect(const Rect &r, const PendingLine *line, bool onPaper = false) const;
    const QImage *tileShownAsIs(int tx, int ty, const QRect &part, bool *composited) const override;
    // The background paper of the sheet into part r of the current drawing destination.
    void drawBackgroundInRect(const Rect &r) const;

    // Re-frames every layer and snapshot to r (in the current sheet's coordinates); the sheet
    // becomes r's size. Every new image is made before any is given up: false, with nothing
    // changed, when one cannot be had.
    bool resize(const Rect &r);
    // The layer becomes the only one, the history ends and the sheet takes the layer's size.
    void replaceLayersWith(std::unique_ptr<Layer> layer);
    // The same with several layers (bottom first, of one size), the current one at index.
    void replaceLayersWith(std::vector<std::unique_ptr<Layer>> layers, int current);
    // The sheet's size alone, for a picture whose layers are already of that size.
    void setSheetSize(Size size) { mSheetSize = size; }

    // The picture flattened into a new image of the sheet's size, transparent where no layer
    // covers it unless withBG asks for the paper under it (never the see-through paper).
    // nullptr when the memory cannot be had.
    std::unique_ptr<Image> flatten(bool withBG) const;
    // Rows [top, top + rows) of the flattened picture, counted from the top, into a new image
    // of the sheet's pixel width: a large picture flattened a band at a time.
    QImage flattenRows(int top, int rows, bool withBG) const;

    // The picture as it is now, for reading on another thread while this one changes: its
    // layers and history share their tiles until either side paints. Nothing can be redone in it,
    // and a preview of layers not yet placed is left out.
    std::unique_ptr<Picture> frozenCopy() const;

    // The picture halved level by level for views zoomed out. The picture's own changes keep it
    // up to date; whoever paints into its layers otherwise tells it.
    PicturePyramid &pyramid() const { return *mPyramid; }

private:
    // A step of the history from the layers as they are to these.
    bool changeLayers(LayerStack after);
    void installLayers(const LayerStack &stack);
    // A layer with the strokes the history holds over it painted in, sharing its tiles.
    std::shared_ptr<Layer> assembled(const Layer &layer) const;
    // Every layer the picture or its history holds, each once.
    std::vector<Layer *> everyLayer() const;
    // The history's room for one more step; false when the oldest could not be merged.
    bool makeRoom();
    void flattenInto(QImage &out, int top, bool withBG) const;
    // A run [first, last) of layers that may be shown from one composite: visible or not,
    // in the normal mode, none of them the current one.
    bool joinsRun(std::size_t index) const;
    // The run's composite over part r of the current drawing destination, made tile by tile
    // as it is first shown (PictureLayerCache.cpp); false, with nothing drawn, when there was
    // no memory for it. With paper, the run is composed over that opaque colour, in every mode;
    // a run of one layer without it is that layer assembled, shown in its mode and opacity.
    bool drawRun(std::size_t first, std::size_t last, const Rect &r,
                 const QColor *paper = nullptr) const;
    bool coveredBySnapshot(std::size_t index, const Rect &r) const;
    // One layer with its snapshots, as renderLayersInRect() draws it.
    void drawLayer(Layer &layer, const Rect &r, const PendingLine *line) const;

    // Runs of layers under and over the current one, composed once and kept while none of them
    // changes: painting on one layer of many then costs about what painting on one does. Their
    // source-over joins associate, so the composite shows as the layers would one by one. Under
    // the current layer, layers in other modes join too when the paper is one opaque colour:
    // composed over it, they show as they would over the paper.
    struct RunCache
    {
        std::vector<const Layer *> layers;
        bool overPaper = false;
        std::vector<quint64> signature; // what the composite was made of
        std::unique_ptr<TiledImage> image;
        std::vector<bool> built; // per tile
    };
    mutable std::vector<std::unique_ptr<RunCache>> mRunCaches;
    // The oldest snapshot merged into its layer and taken out of the history; nullptr, with
    // nothing changed, when a tile of the layer could not be made.
    std::unique_ptr<UndoLayer> mergeOldest();

    Size mSheetSize;
    BgType mBgType = BgType::Plain;
    std::vector<std::shared_ptr<Layer>> mLayers;
    Layer *mCurrLayer = nullptr; // one of mLayers
    std::vector<std::unique_ptr<UndoLayer>> mUndoLayers;
    // Undone, last undone last; never shown. With the history, at most mUndoDepth.
    std::vector<std::unique_ptr<UndoLayer>> mRedoLayers;
    std::size_t mUndoDepth = kDefaultUndoDepth;
    std::unique_ptr<PicturePyramid> mPyramid;
    LayerStack mPreviewed; // what a preview replaced; empty without one
};
