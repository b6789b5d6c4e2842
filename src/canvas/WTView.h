#pragma once

#include "Background.h"
#include "BrushOutline.h"
#include "CanvasCore.h"
#include "CanvasViewport.h"
#include "Color.h"
#include "Geometry.h"
#include "HoverCrosshair.h"
#include "Image.h"
#include "Layer.h"
#include "Picture.h"
#include "PointerSample.h"
#include "ProximityEvent.h"
#include "ViewTransform.h"

#include <QEvent>
#include <QJsonValue>
#include <QWidget>
#include <array>
#include <memory>
#include <optional>
#include <vector>

class Document;
class PenSettings;
class Preferences;
class QAbstractButton;
class QMessageBox;
class CanvasQuestions;
struct Notification;

// The painting surface of a document window: the Qt edge of its CanvasCore, which paints, and
// of its CanvasViewport, which says what the widget shows of the sheet. Its own coordinates are
// the sheet's: origin at the sheet's bottom-left corner, y up; the widget's Qt coordinates appear
// only at its edges (events in, dirty rectangles out). The implementation is split by concern:
// WTView.cpp (the core's announcements), WTViewRender.cpp (display and backgrounds),
// WTViewSheet.cpp (placement in the container), WTViewCrop.cpp (crop and resize commands),
// WTViewStroke.cpp (Qt's pointer events), WTViewNavigation.cpp (the view's input and repaints),
// WTViewExchange.cpp (the clipboard), WTViewPaste.cpp (pastes and drops).
class WTView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(float bgType READ bgType WRITE setBgType NOTIFY bgTypeChanged)

public:
    // frame: the canvas's rectangle in its container (y up); its size is the first sheet's.
    // store: where the pen settings and the paper are kept, the user's preferences unless
    // another is given; it outlives the canvas.
    explicit WTView(const Rect &frame, QWidget *parent = nullptr, Preferences *store = nullptr);
    ~WTView() override;

    bool isOpaque() const { return !onSeeThroughPaper(); }
    void cancelOperation(QObject *sender = nullptr);

    // The widget-free canvas: pen settings and tools, strokes, history, picker, proximity,
    // layers, whole pictures.
    CanvasCore &core() const { return *mCore; }
    // The view: zoom, turn, mirror and pan, their drags, and the mappings between the sheet and
    // the widget. Its changes repaint the widget and emit viewChanged().
    CanvasViewport &viewport() const { return *mViewport; }

    // Pen settings. Tool numbers: 0 the eraser, 1 to 4 colour slots 0 to 3.
    bool erasing() const { return mCore->erasing(); }
    int activeColor() const { return mCore->activeColor(); }
    void setActiveColor(int tool) { mCore->setActiveColor(tool); }
    const Color *color() const { return mCore->color(); } // nullptr while erasing
    void setColor(const Color *color) { mCore->setColor(color); }
    float brushSize() const { return mCore->brushSize(); }
    void setBrushSize(float size) { mCore->setBrushSize(size); }
    void setToolFromTag(QObject *sender);

    // Pointer proximity: the tool follows the tablet pointer in use.
    void startFollowingProximity();

    // Completes the canvas once its window has connected it (WTViewStartup.cpp): the starting
    // picture (the document's, when it was opened from one) or a new sheet, the stored
    // background type, proximity followed.
    void awakeFromNib(std::unique_ptr<TiledImage> startingImage = nullptr);
    // The same starting from several layers, bottom first (a layered file).
    void awakeFromNib(std::vector<std::unique_ptr<Layer>> startingLayers, int current);

    // The document whose changes the canvas counts, and the window side through which it asks
    // and tells the user; neither is owned. Without questions nothing is asked: a guarded
    // change that would need an answer does not happen.
    void setDocument(Document *document) { mCore->setDocument(document); }
    Document *document() const { return mCore->document(); }
    void setQuestions(CanvasQuestions *questions) { mQuestions = questions; }
    // The eraser toggle shows whether the eraser is the tool.
    void setRubberButton(QAbstractButton *button);

    // Backgrounds.
    void setBgType(float type);
    float bgType() const { return float(mCore->paper()); }
    // Whether the window really shows what lies behind it (see-through paper on a compositor).
    bool windowIsSeeThrough() const { return mWindowSeeThrough; }

    // Sheet geometry (WTViewSheet.cpp). A sheet that cannot be held is refused with a beep and
    // a message, and nothing changes: then setSheetSize answers false.
    Size sheetSize() const;
    bool setSheetSize(Size size);
    void setFrame(const Rect &frame); // in the container's y-up coordinates
    Rect frame() const;

    // Crop and resize commands (WTViewCrop.cpp), confirmed through the questions when the
    // document has unsaved changes; the fixed sizes are chosen by the sender's "tag" property.
    void cropResize(QObject *sender);
    void cropResizeToFixedSize(QObject *sender);
    void cropResizeToCustomSize(QObject *sender);

    // Undo history (the core's, with its depth): what was undone can be redone until a stroke,
    // line, crop, resize or clear rewrites it.
    void undo(QObject *sender = nullptr);
    void redo(QObject *sender = nullptr);
    bool canRedo() const { return mCore->canRedo(); }

    // What hovers over the canvas (WTViewHover.cpp), as the hover setting chooses: the outline of
    // what a press would paint, under the pen or the mouse; the crosshair, under a tablet tool
    // where the platform shows no cursor for it.
    const HoverCrosshair &hoverCrosshair() const { return mCrosshair; }
    const BrushOutline &brushOutline() const { return mOutline; }
    // The outline a press at widgetPoint would paint, in widget pixels: the active tool's nib at
    // full pressure, turned by the pen's tilt (degrees, as in PointerSample), through the view.
    QPainterPath nibOutlineAt(QPointF widgetPoint, float tiltX = 0.0f, float tiltY = 0.0f) const;

    // Whether pointer input now moves the view rather than painting (Space held, or a view drag
    // under way): such input is no stroke.
    bool isNavigating() const { return mViewport->isNavigating(); }

    // The clipboard (WTViewExchange.cpp): the picture as it shows, without or with its paper.
    void copy(QObject *sender = nullptr);
    void copyWithBG(QObject *sender = nullptr);
    // Edit ▸ Paste (WTViewPaste.cpp): the clipboard's image floats as a new layer in the middle
    // of the view until it is placed; a refusal is told.
    void paste(QObject *sender = nullptr);
    // The same for an image already read, floating centred on `centre` of the sheet.
    bool pasteImage(const QImage &image, Point centre);
    void clear(QObject *sender = nullptr);

    // The picture with its layers and history, for display, merging and tests.
    const Picture &picture() const { return mCore->picture(); }

signals:
    // The active tool, its colour or its width changed: controls showing them refresh.
    void penChanged();
    void bgTypeChanged(float type);
    // The picture changed: a freehand stroke or a line ended (no command: it came from the
    // pointer input the canvas received), or a command ran, with the value it resolved to.
    void pictureChanged(const QString &command, const QJsonValue &value);
    // A command's value was chosen in a dialog: what a recording needs to replay it.
    void commandChosen(const QString &command, const QJsonValue &value);
    // Whether anything can be redone changed: the Redo command is enabled by it.
    void canRedoChanged(bool canRedo);
    // The view was zoomed, turned, mirrored or panned.
    void viewChanged();
    // The right button or the pen's upper button was pressed on the canvas: the pop-up
    // palette is wanted there, in global coordinates.
    void paletteRequested(QPoint globalPos);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void keyReleaseEvent(QKeyEvent *event) override;
    void wheelEvent(QWheelEvent *event) override;
    void resizeEvent(QResizeEvent *event) override;
    void moveEvent(QMoveEvent *event) override;
    bool event(QEvent *event) override;
    void focusOutEvent(QFocusEvent *event) override;
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseReleaseEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void tabletEvent(QTabletEvent *event) override;
    void leaveEvent(QEvent *event) override;
    void dragEnterEvent(QDragEnterEvent *event) override;
    void dragMoveEvent(QDragMoveEvent *event) override;
    void dropEvent(QDropEvent *event) override;

private:
    // The rest of the start, once the sheet has its picture or not.
    void finishAwake(bool adopted);
    void applyBgType(std::optional<BgType> type); // in full, even when it is the type held
    Size containerSize(Size fallback) const;
    void applyFrame();
    void refuseSheetSize(Size size);
    void applyWindowAppearance();
    bool onSeeThroughPaper() const { return mCore->paper() == BgType::SeeThrough; }
    void setAcceptsMouseMovedEvents(bool accept);
    void connectCore();
    void drawRect(const Rect &r);
    // Marks part of the sheet for the next display. The samples that one turn of the event loop
    // delivers are gathered into one rectangle, handed to Qt once after them: asking Qt for each
    // sample cost more than painting it.
    void setNeedsDisplayInRect(const Rect &r);
    void flushPendingDirt();
    void confirmCropResize(const Rect &r); // the core's question, asked through the window
    void doCropResize(QMessageBox *alert, int returnCode, const QString &contextInfo);
    void cropResizeToSize(Size size);
    void doCustomCropResize(Size size); // the size chosen in the custom-size question
    void copyImageWithBG(bool withBG);
    // The sheet was re-framed to r: what shows it is placed anew.
    void sheetResized(const Rect &r);
    // A Qt pointer event, as a sample for the core.
    PointerSample sampleAt(QPointF position, Qt::KeyboardModifiers modifiers) const;
    // The line preview over what was drawn of part r; inPicture: that was drawn at full size
    // with the pending line, which then shows there if it must (Picture::showsThroughPicture).
    void drawLinePreviewInRect(const Rect &r, bool inPicture);
    // A pointer hovers at widgetPoint: the marks the setting and the moment allow follow it.
    void hoverAt(QPointF widgetPoint, const PointerSample &sample);
    void hideCrosshair();
    void hideOutline();
    void hideHoverMarks();
    // After a change of the width, tool, nib, setting or view: the outline where it stood.
    void refreshHoverMarks();
    // Mouse moves are followed for the outline, and for a pending line's preview.
    void applyMouseTracking();
    // Tells the viewport where the widget now lies, after a move, resize or re-framing.
    void placeViewport();
    // The viewport changed the view: what is on screen is moved, or drawn again.
    void viewMoved(const QTransform &before);
    QRect unoverlappedRect() const; // of the container, in widget pixels
    // What the view shows in the widget pixels `dirty`, onto a painter whose transform maps
    // widget pixels to its device.
    void paintTransformed(QPainter &painter, const QRect &dirty);
    // The part r of the sheet from the pyramid level nearest the zoom, resampled once.
    void drawSheetLevel(QPainter &painter, const Rect &r, const QTransform &sheetToPainter,
                        const CanvasViewport::Level &level);
    // The grey around the sheet, its border and its shadow, in part r; with a reach, only the
    // border and shadow, leaving out what lies further than that from r.
    void drawSurround(const Rect &r, float alpha, float reach = 0.0f);
    // View drags: Space or the middle button pans, with Shift it turns; the pen's lower button.
    bool beginViewDrag(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at,
                       bool fromPen);
    void endViewDrag(Qt::MouseButton button);
    void updateNavigationCursor();
    bool navigationKey(QKeyEvent *event);
    // Arrows nudge a floating paste (Shift: by ten), Enter places it.
    bool pasteKey(QKeyEvent *event);
    void refusePaste(const QString &why);
    // The dashed edge of a floating paste, in widget pixels: it reads as not yet placed.
    void drawFloatingPasteFrame(QPainter &painter) const;
    void showPicking(bool picking); // the picker's cursor, or the usual one
    void showIdleCursor(); // when no view drag or Space shows its own
    bool requestsPalette(Qt::MouseButton button) const;

    // Layers, history, sheet size, pen and stroke input: what the canvas does, without the
    // widget. A child.
    CanvasCore *mCore;
    CanvasViewport *mViewport; // a child
    CanvasQuestions *mQuestions = nullptr; // not owned
    HoverCrosshair mCrosshair; // in widget pixels
    BrushOutline mOutline; // in widget pixels
    QPointF mOutlineTilt; // of the sample the outline was last shown for, x and y
    bool mHoverWanted = false; // by the core, for a pending line
    Rect mPendingDirty; // of the sheet, gathered since the last flushPendingDirt()
    bool mDirtFlushQueued = false;
    QImage mViewScratch; // the part of a pyramid level being shown
    bool mWindowSeeThrough = false;
};
