#pragma once

#include "Background.h"
#include "Brush.h"
#include "Color.h"
#include "Geometry.h"
#include "Image.h"
#include "Layer.h"
#include "Picture.h"
#include "PointerSample.h"
#include "ProximityEvent.h"
#include "StrokeSmoother.h"

#include <QJsonValue>
#include <QObject>
#include <functional>
#include <memory>
#include <optional>

class Document;
class HeldInput;
class NotificationCenter;
class PenSettings;
class Preferences;
struct Notification;

// What a canvas does, without a window: the picture with its history, the pen and its tools,
// and the pointer input that paints. Coordinates are the sheet's (origin bottom-left, y up).
// The widget showing it turns Qt's events into samples and repaints what it is told changed.
// Split by concern: CanvasCore.cpp (pen and tools), CanvasCoreBrush.cpp (nibs),
// CanvasCoreProximity.cpp,
// CanvasCoreStroke.cpp (strokes and lines), CanvasCoreHistory.cpp (undo, redo, sheet size),
// CanvasCorePick.cpp (colour picker), CanvasCoreExchange.cpp (whole pictures),
// CanvasCoreCrop.cpp (guarded crops), CanvasCoreLayers.cpp (the user's layers),
// CanvasCoreMove.cpp (the Move tool and pastes placed by hand).
class CanvasCore : public QObject
{
    Q_OBJECT

public:
    // store: where the pen settings and the paper are kept; it outlives the core.
    CanvasCore(Size sheet, Preferences &store, QObject *parent = nullptr);
    ~CanvasCore() override;

    // Pen and tools. Tool numbers: 0 the eraser, 1 to PenSettings::kSlots the colour slots.
    bool erasing() const { return mActiveColor < 0; }
    int activeColor() const { return mActiveColor + 1; }
    void setActiveColor(int tool);
    const Color *color() const; // nullptr while erasing
    void setColor(const Color *color);
    float brushSize() const;
    void setBrushSize(float size);
    void toggleEraser(); // the eraser, or back to the slot in use before it
    int toolBeforeEraser() const { return mLastSlot + 1; } // the slot toggleEraser() gives back
    void stepBrushSize(int steps); // rungs of the width ladder, up when positive
    PenSettings &penSettings() const { return *mSettings; }
    BgType paper() const;
    void setPaper(BgType type); // kept in the pen settings' store

    // Nibs. The active slot's nib; while erasing, that of the slot the eraser gives back.
    // Choosing one while erasing goes back to that slot first, as the colour picker does: a nib
    // is chosen to paint with.
    BrushKind brushKind() const;
    void setBrushKind(BrushKind kind);
    // The eraser's shape: the pen's or the airbrush's (any other nib is taken as the pen's).
    BrushKind eraserShape() const;
    void setEraserShape(BrushKind shape);
    // The airbrush's hardness in percent, 0 (soft from the centre) to 100; clamped.
    float airbrushHardness() const;
    void setAirbrushHardness(float percent);

    // Proximity: the tool follows the tablet pointer in use.
    PointerType currentPointerType() const { return mCurrPointerType; }
    void followProximity(NotificationCenter &center);
    void handleProximity(const Notification &notification);
    void setTreatsEveryPointerAsTip(bool on);

    // The document whose changes are counted; not owned.
    void setDocument(Document *document) { mDocument = document; }
    Document *document() const { return mDocument; }

    // Pointer input. take() is the one way in: it announces the sample (sampleTaken) before
    // acting on it, unless the colour picker takes it.
    void take(SampleKind kind, const PointerSample &sample);
    void mouseDown(const PointerSample &sample);
    void mouseMoved(const PointerSample &sample); // the pending line's preview follows
    void mouseUp(const PointerSample &sample);
    void drawCurrentDataFromEvent(const PointerSample &sample);
    void drawLineToPoint(Point point, float pressure, bool promptOnly);
    bool isTrackingStroke() const { return mTracking; }
    bool isDrawingLine() const { return mDrawingLine; }
    // Escape: gives up the pending line and disarms the picker.
    void cancelOperation();
    std::optional<Picture::PendingLine> pendingLine() const;
    // Lines without a key held. Line: the next press starts a straight line as Shift does, and
    // the mode ends with that line; Chain: each line chains the next, as Alt does, until Off.
    // Snapping stays on Shift. A line already pending is left as it is by a change.
    enum class LineMode { Off, Line, Chain };
    LineMode lineMode() const { return mLineMode; }
    void setLineMode(LineMode mode);
    bool hasLinePreview() const { return mHasLinePreview; } // drawn for the last line, if any

    // Colour picker: armed, the next press takes the colour shown there.
    void pickColor();
    bool isPicking() const { return mPick != Pick::None; }
    bool isHoldingPick() const { return mPick == Pick::Held; }
    static std::optional<Color> colorShownAt(const Picture &picture, Point p);

    // History.
    int undoDepth() const { return mPicture->undoDepth(); }
    void setUndoDepth(int depth);
    UndoLayer *createUndoLayer(Layer *base); // nullptr, with a beep, when none can be had
    void undo();
    void redo();
    bool canRedo() const { return mPicture->canRedo(); }

    // Sheet size: a sheet that cannot be held is refused (sheetRefused) and nothing changes.
    bool resizeSheet(const Rect &r);
    // The same, counted as a change of the document and announced as the resizeSheet: command.
    bool applyResize(const Rect &r);
    // Guarded crops (CanvasCoreCrop.cpp): with unsaved changes in the document, the sheet becomes
    // r only through the confirmation, which applies it when the user agrees; without one,
    // nothing is asked and nothing changes.
    void setCropConfirmation(std::function<void(const Rect &r)> confirm)
    {
        mConfirmCrop = std::move(confirm);
    }
    void cropResizeToRect(const Rect &r);
    // A sheet of that size centred on the middle of `around` (what the user sees).
    void cropResizeToSize(Size size, const Rect &around);
    // The same for a size chosen in a dialog, which a recording must be told of.
    void cropResizeToChosenSize(Size size, const Rect &around);

    // Whole pictures: the sheet becomes the image's pixel size and the history ends.
    bool setImage(const Image *image);
    bool adoptImage(std::unique_ptr<TiledImage> image);
    // The same with several layers, bottom first and of one size, the current one at index.
    bool adoptLayers(std::vector<std::unique_ptr<Layer>> layers, int current);
    std::unique_ptr<Image> getImageWithBG(bool withBG) const;
    void clear(); // asks the document first when it has unsaved changes
    void clearLow(bool shouldClose);

    Picture &picture() const { return *mPicture; }

    // Layers (CanvasCoreLayers.cpp), counted from the bottom; the operations act on the
    // current one. Each but the choice of the current layer is a step of the history, and
    // each is announced as the command that replays it. What cannot be done beeps.
    int layerCount() const { return int(mPicture->layers().size()); }
    int currentLayerIndex() const { return mPicture->currentLayerIndex(); }
    LayerProperties layerProperties(int index) const;
    void selectLayer(int index);
    void newLayer();
    void duplicateLayer();
    void deleteLayer();
    void moveLayer(int to);
    void mergeLayerDown();
    void flattenLayers();
    void setLayerProperties(int index, const LayerProperties &properties);
    // What the first layer of a new or opened picture is called.
    static QString backgroundLayerName();

    // The Move tool (CanvasCoreMove.cpp): a drag moves the current layer's pixels by whole
    // pixels, shown as it goes, one step of the history on release; a locked layer refuses.
    // Another tool, the picker or Escape (cancelOperation) leaves it.
    void chooseMoveTool();
    bool isMoveTool() const { return mMoveTool; }
    void leaveMoveTool(); // giving up a drag under way
    // A floating paste: the image as a new layer above the current one, centred on `centre`,
    // shown but not yet in the history. A drag from inside it moves it, nudgePaste() too;
    // commitPaste() (Enter, a press outside it) makes it one step of the history, and
    // cancelOperation() (Escape) leaves everything as it was. False, with a beep, for an image
    // that cannot be held.
    bool beginPaste(const QImage &image, Point centre);
    bool hasFloatingPaste() const { return mFloat.has_value(); }
    Rect floatingPasteRect() const; // on the sheet, whole pixels
    void nudgePaste(int dx, int dy);
    void commitPaste();
    // The commands a paste and a move are recorded as, done at once.
    bool pasteLayerAt(const QImage &image, int x, int y);
    bool moveLayerPixels(int dx, int dy);

signals:
    // Parts of the sheet to show again: a stroke's segment (consecutive ones gather), or any
    // other change; all of it when none is given.
    void strokeDirtied(const Rect &r);
    void dirtied(const Rect &r);
    void dirtiedAll();
    // As the canvas widget announces them.
    void penChanged();
    void pictureChanged(const QString &command, const QJsonValue &value);
    void commandChosen(const QString &command, const QJsonValue &value);
    void canRedoChanged(bool canRedo);
    // Every pointer sample acted on, before it is.
    void sampleTaken(SampleKind kind, const PointerSample &sample);
    void sheetResized(const Rect &r);
    void sheetRefused(Size size);
    // Whether hovering moves matter (a line is pending).
    void hoverWanted(bool wanted);
    void pickingChanged(bool picking);
    void moveToolChanged(bool on);
    void lineModeChanged(CanvasCore::LineMode mode);
    void pointerLeftProximity();
    // The layers, their order, properties or the current one changed.
    void layersChanged();

private:
    static constexpr const char *kColorIndexOutOfBound = "color index out of bound";
    enum class Pick { None, Armed, Held }; // Held: from the pick press to its release

    bool takeForPick(SampleKind kind, Point at);
    // Whether the sample belongs to the Move tool or a floating paste.
    bool takeForMove(SampleKind kind, Point at);
    void dragMoveTo(Point at);
    void endMoveDrag();
    void showFloatingPaste();
    void cancelMoveAndPaste();
    void takePickAt(Point p);
    void cancelPick();
    void setPick(Pick pick);
    bool replaceLayersWith(std::unique_ptr<Layer> layer);
    bool replaceLayersWith(std::vector<std::unique_ptr<Layer>> layers, int current);
    bool isUndoLayerAlive(const UndoLayer *layer) const
    {
        return mPicture->isUndoLayerAlive(layer);
    }
    void noteCanRedo();
    bool deferUntilStrokeEnds(void (CanvasCore::*command)());
    bool deferUntilStrokeEnds(const std::function<void()> &command);
    void historyStepped(const UndoLayer &layer, int change, const QString &command);
    void stopStrokeForLackOfMemory();
    // A change of the layers done (or refused, with a beep), announced as command.
    void layersStepped(bool done, const QString &command, const QJsonValue &value = {});
    QString unusedLayerName() const;
    void commitLine(const PointerSample &sample);
    void endStroke();
    // What a sample's nib is under the active brush: its width, opacity and the chisel's angle.
    struct Nib
    {
        float width = -1.0f; // negative before a stroke's first segment
        float opacity = 1.0f;
        float angle = Brush::kFixedMarkerAngle;
    };
    BrushKind activeBrush() const;
    Nib nibFor(const PointerSample &sample) const;
    InkSegment segment(Point from, const Nib &fromNib, Point to, const Nib &toNib) const;
    // What a segment may paint, grown by a point and made whole.
    static Rect touchedBy(const InkSegment &segment);
    void paintStrokeTo(Point next, const Nib &nib);
    void setDrawingLine(bool on);

    PenSettings *mSettings; // a child
    std::unique_ptr<Picture> mPicture;
    Document *mDocument = nullptr; // not owned
    NotificationCenter *mProximitySource = nullptr; // not owned
    int mActiveColor = 0;
    int mLastSlot = 0; // the slot the eraser gives back
    PointerType mCurrPointerType = PointerType::Pen;
    Point mLastLoc;
    bool mDrawingLine = false;
    LineMode mLineMode = LineMode::Off;
    UndoLayer *mCurrUndoLayer = nullptr; // owned by the picture's history
    bool mCouldRedo = false; // canRedo() as last told by canRedoChanged
    bool mTracking = false; // a freehand stroke is being painted
    StrokeSmoother mSmoother; // where the stroke is painted to, behind the pen
    Nib mStrokeNib; // of the stroke's last sample
    HeldInput *mHeldInput = nullptr; // a child: input that waits for the stroke's end
    bool mHasLinePreview = false;
    InkSegment mLinePreview;
    Rect mLinePreviewRect;
    Pick mPick = Pick::None;
    std::function<void(const Rect &)> mConfirmCrop;
    bool mMoveTool = false;
    struct FloatingPaste
    {
        QImage image; // premultiplied
        int x = 0; // its bottom-left pixel on the sheet
        int y = 0;
        LayerProperties properties;
    };
    std::optional<FloatingPaste> mFloat;
    // A press of the Move tool or on a floating paste, until its release.
    struct MoveDrag
    {
        Point from;
        int dx = 0; // whole pixels moved so far
        int dy = 0;
        std::shared_ptr<Layer> source; // the layer as it showed at the press
        bool swallow = false; // the press committed a paste: the rest of it does nothing
    };
    std::optional<MoveDrag> mDrag;
};
