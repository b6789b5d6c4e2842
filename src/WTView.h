#pragma once

#include "Color.h"
#include "Geometry.h"
#include "Image.h"
#include "Layer.h"

#include <QWidget>
#include <array>
#include <memory>
#include <vector>

class InkpondDocument;
class Document;
class QAbstractButton;
struct Notification;

// The painting surface of a document window. Its own coordinates are the sheet's: origin at the
// sheet's bottom-left corner, y up; the widget's Qt coordinates appear only at its edges
// (events in, dirty rectangles out). The implementation is split by concern:
// WTView.cpp (state and pen settings), WTViewRender.cpp (display and backgrounds),
// WTViewSheet.cpp (sheet geometry), WTViewExchange.cpp (pictures to and from the document
// and the clipboard).
class WTView : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(float bgType READ bgType WRITE setBgType NOTIFY bgTypeChanged)

public:
    // Registers the preference defaults; runs once per preferences store.
    static void initialize();

    // frame: the canvas's rectangle in its container (y up); its size is the first sheet's.
    explicit WTView(const Rect &frame, QWidget *parent = nullptr);
    ~WTView() override;

    // Responder answers.
    bool isOpaque() const { return mBgType != 3; }
    bool mouseDownCanMoveWindow() const { return false; }
    bool acceptsFirstResponder() const { return true; }
    bool becomeFirstResponder() { return true; }
    void cancelOperation(QObject *sender = nullptr);

    // Pen settings. Tool numbers: 0 the eraser, 1 to 4 colour slots 0 to 3.
    bool erasing() const { return mActiveColor < 0; }
    int activeColor() const { return mActiveColor + 1; }
    void setActiveColor(int tool);
    const Color *color() const; // nullptr while erasing
    void setColor(const Color *color);
    float brushSize() const;
    void setBrushSize(float size);
    void setToolFromTag(QObject *sender);
    int currentPointerType() const { return mCurrPointerType; }

    // Pointer proximity (WTViewProximity.cpp): the tool follows the tablet pointer in use.
    void startFollowingProximity();
    void handleProximity(const Notification &notification);

    void setDocument(InkpondDocument *document) { mDocument = document; }
    InkpondDocument *document() const { return mDocument; }
    void setRubberButton(QAbstractButton *button) { mRubberButton = button; }

    // Display and backgrounds.
    void drawRect(const Rect &r);
    void renderLayersInRect(const Rect &r);
    void makeBgWithSize(Size size);
    void setBgType(float type);
    float bgType() const { return float(mBgType); }
    const Image *backgroundImage() const { return mBgImage.get(); }
    // Whether the window really shows what lies behind it (see-through paper on a compositor).
    bool windowIsSeeThrough() const { return mWindowSeeThrough; }

    // Sheet geometry.
    Size sheetSize() const;
    void setSheetSize(Size size);
    void resizeSheet(const Rect &r);
    void setFrame(const Rect &frame); // in the container's y-up coordinates
    Rect frame() const { return mFrame; }
    Point boundsOrigin() const { return mBoundsOrigin; }
    Rect bounds() const;
    Rect visibleRect() const;

    // Canvas coordinates against the widget's.
    Point canvasPointFromWidget(const QPointF &p) const;
    QRectF widgetRectFromCanvas(const Rect &r) const;
    Rect canvasRectFromWidget(const QRectF &r) const;

    // Image exchange (WTViewExchange.cpp). setImage: the picture becomes the image, the sheet
    // its pixel size, and the undo history ends; false, with nothing changed, for no image or one
    // that cannot be held. getImageWithBG: the picture flattened into a new image of the sheet's
    // size, transparent where no layer covers it unless withBG asks for the paper under it.
    bool setImage(const Image *image);
    std::unique_ptr<Image> getImageWithBG(bool withBG);
    void copy(QObject *sender = nullptr);
    void copyWithBG(QObject *sender = nullptr);
    void clear(QObject *sender = nullptr);
    void clearLow(Document *document, bool shouldClose, void *contextInfo);

    // Layers and history, for display, merging and tests.
    const std::vector<std::unique_ptr<Layer>> &layers() const { return mLayers; }
    Layer *currentLayer() const { return mCurrLayer; }
    const std::vector<std::unique_ptr<UndoLayer>> &undoLayers() const { return mUndoLayers; }

signals:
    // The active tool, its colour or its width changed: controls showing them refresh.
    void penChanged();
    void bgTypeChanged(float type);

protected:
    void paintEvent(QPaintEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    void applyWindowAppearance();
    void tellOnceWhyNotSeeThrough();
    void setAcceptsMouseMovedEvents(bool accept);
    void copyImageWithBG(bool withBG);
    bool replaceLayersWith(std::unique_ptr<Layer> layer);

    int mActiveColor = 0;
    int mCurrPointerType = 1;
    std::array<std::unique_ptr<Color>, 4> mColors;
    std::array<float, 4> mBrushSize {};
    float mRubberSize = 0.0f;
    int mBgType = 0;
    Point mLastLoc;
    bool mDrawingLine = false;
    std::unique_ptr<Image> mBgImage;
    InkpondDocument *mDocument = nullptr; // not owned
    QAbstractButton *mRubberButton = nullptr; // not owned
    std::vector<std::unique_ptr<Layer>> mLayers;
    Layer *mCurrLayer = nullptr; // owned by mLayers
    std::vector<std::unique_ptr<UndoLayer>> mUndoLayers;
    UndoLayer *mCurrUndoLayer = nullptr; // owned by mUndoLayers

    Rect mFrame;
    Point mBoundsOrigin;
    bool mWindowSeeThrough = false;
};
