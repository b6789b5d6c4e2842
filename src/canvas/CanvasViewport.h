#pragma once

#include "Geometry.h"
#include "ViewTransform.h"

#include <QObject>
#include <QRect>
#include <QTransform>
#include <functional>
#include <optional>

// What the canvas widget shows of the sheet, without the widget: the view (zoom, turn, mirror,
// pan) with its rules and limits, the drags that move it, and every mapping between the sheet,
// the widget and the device, built once per change and asked for by name. The widget tells it
// where it lies (Placement) after each move, resize or re-framing, and repaints when it
// announces a change; everything else here is geometry.
class CanvasViewport : public QObject
{
    Q_OBJECT

public:
    // The widget as its container sees it, in Qt's y-down coordinates.
    struct Placement
    {
        QRectF container; // the area the container shows, in the widget's pixels
        QPointF position; // the widget's top-left corner in the container
        qreal height = 0.0; // of the widget
        qreal devicePixelRatio = 1.0;
        bool contained = false; // false for a widget that is its own window
    };

    // sheetSize: asked whenever the sheet's size matters; the picture is not the viewport's.
    explicit CanvasViewport(std::function<Size()> sheetSize, QObject *parent = nullptr);

    // Where the canvas lies. The frame is its rectangle in its container (y up), grown to the
    // container; a smaller sheet sits centred in it, the odd point to the left and bottom.
    void setFrame(const Rect &frame, Size container);
    Rect frame() const { return mFrame; }
    Point boundsOrigin() const { return mBoundsOrigin; }
    Rect bounds() const { return {mBoundsOrigin, mFrame.size}; }
    void setPlacement(const Placement &placement);
    const Placement &placement() const { return mPlace; }

    // The view. A change keeps the middle of the container on the sheet and emits changed().
    const ViewTransform &view() const { return mView; }
    void setView(const ViewTransform &view);
    // A re-framed sheet is shown anew: the pan starts over, and the re-framing repaints.
    bool startPanOver();
    double displayZoom() const; // device pixels per sheet point: 1 is Actual Size
    void setDisplayZoom(double zoom); // about the middle of the view
    void zoomIn();
    void zoomOut();
    void zoomToActualSize();
    void zoomToFit();
    // Upright, unmirrored and centred: fitted when the sheet at actual size is larger than the
    // container, at actual size otherwise.
    void resetView();
    void fitIfLarger(); // an opened picture
    void rotateLeft();
    void rotateRight();
    void resetRotation();
    void toggleMirror();
    // About a widget point, which stays where it is.
    void zoomAbout(double zoom, QPointF widgetPoint);
    void rotateStepAbout(int steps, QPointF widgetPoint); // onto multiples of the step
    void rotateAbout(double degrees, QPointF widgetPoint); // freely, shown upright near it
    void beginFreeTurn(); // a gesture or drag starts turning from the angle shown
    // In whole pixels; the fractions are kept for the next pan.
    void panBy(QPointF widgetDelta);
    // The keys that pan (arrows, Page Up and Down); false for any other.
    bool panForKey(int key);
    // A wheel: with Ctrl it zooms about the pointer, with Shift it scrolls across.
    void wheel(QPoint angleDelta, QPoint pixelDelta, Qt::KeyboardModifiers modifiers,
               QPointF widgetPoint);

    // Navigation drags, fed the pointer's samples: Space or the middle button pans, with Shift
    // it turns; the pen's lower button pans once past a dead zone, so a resting thumb moves
    // nothing. A press that starts none answers false and the sample is the caller's.
    enum class Drag { None, Pan, Turn, PenButtonPan };
    void setSpaceHeld(bool held) { mSpaceHeld = held; }
    bool spaceHeld() const { return mSpaceHeld; }
    bool dragPress(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, QPointF at,
                   bool fromPen);
    bool dragMove(QPointF at);
    // True while a drag is under way, whichever button; it ends with its own button.
    bool dragRelease(Qt::MouseButton button);
    Drag drag() const { return mDrag; }
    // Pointer input moves the view rather than painting.
    bool isNavigating() const { return mSpaceHeld || mDrag != Drag::None; }

    // The matrices. sheetToWidget maps sheet points (y up) to widget pixels through the view.
    const QTransform &sheetToWidget() const { return mSheetToWidget; }
    QPointF centre() const { return mPlace.container.center(); } // of the view, widget pixels
    Point sheetPoint(QPointF widgetPoint) const;
    QPointF widgetPoint(Point sheetPoint) const;
    QRectF widgetRect(const Rect &sheetRect) const;
    Rect sheetRect(const QRectF &widgetRect) const;
    // Widget pixels to repaint for a change of the sheet (filtering included).
    QRect dirtyRect(const Rect &sheetRect) const;
    // The whole sheet points holding what the container shows: what a crop keeps.
    Rect visibleRect() const;
    // The container's area and the sheet's bounding box as shown, in the container's Qt
    // coordinates: what scroll bars show.
    QRectF containerRect() const { return mPlace.container.translated(mPlace.position); }
    QRectF shownSheetRect() const;

    // Which pyramid level a painter through sheetToPainter shows, and whether its pixels need
    // no filtering.
    struct Level
    {
        int level = 0;
        double step = 1.0; // sheet pixels a level pixel
        double scale = 1.0; // device pixels a sheet point
        bool crisp = true;
    };
    Level levelFor(const QTransform &sheetToPainter) const;

signals:
    // The view changed; `before` is the sheet-to-widget matrix it replaced.
    void changed(const QTransform &before);

private:
    QTransform unzoomed() const; // the sheet to the widget, before the view
    void rebuild();
    ViewTransform keptInView(ViewTransform view) const;
    ViewTransform centred(ViewTransform view) const;
    std::optional<ViewTransform> fitted(ViewTransform view) const;
    bool sheetOutgrowsContainer() const;

    std::function<Size()> mSheetSize;
    Rect mFrame;
    Point mBoundsOrigin;
    Placement mPlace;
    ViewTransform mView;
    QTransform mSheetToWidget;
    QTransform mWidgetToSheet;
    QPointF mPanRemainder;
    double mFreeRotation = 0.0; // the turn before snapping upright, while turning freely
    bool mSpaceHeld = false;
    Drag mDrag = Drag::None;
    Qt::MouseButton mDragButton = Qt::NoButton;
    QPointF mDragStart;
    QPointF mDragLast;
    bool mDragMoved = false; // the pen button's drag has left its dead zone
};
