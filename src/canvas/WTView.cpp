#include "WTView.h"

#include "Assert.h"
#include "NotificationCenter.h"
#include "PenSettings.h"
#include "Preferences.h"

#include <QAbstractButton>
#include <QKeyEvent>

void WTView::initialize()
{
    PenSettings::registerDefaults(Preferences::standard());
}

WTView::WTView(const Rect &frame, QWidget *parent, Preferences *store)
    : QWidget(parent)
    , mSettings(new PenSettings(store ? *store : Preferences::standard(), this))
{
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setTabletTracking(true); // hover moves name the pointer on drivers without proximity

    mDrawingLine = false;
    mCurrPointerType = PointerType::Pen;
    mBgType = mSettings->bgType();
    mBgTypeApplied = true; // setting the same type again stores nothing
    connect(mSettings, &PenSettings::changed, this, &WTView::penChanged);

    setBrushSize(brushSize());
    setActiveColor(1);

    mPicture = std::make_unique<Picture>(frame.size, mBgType);
    mPicture->setUndoDepth(mSettings->undoDepth());
    setAttribute(Qt::WA_OpaquePaintEvent, isOpaque());
    setFrame(frame);
}

WTView::~WTView()
{
    NotificationCenter::defaultCenter().removeObserver(this);
    mCurrUndoLayer = nullptr;
}

void WTView::setAcceptsMouseMovedEvents(bool accept)
{
    setMouseTracking(accept);
    setTabletTracking(true);
}

void WTView::cancelOperation(QObject *)
{
    cancelPick();
    if (!mDrawingLine)
        return;
    setAcceptsMouseMovedEvents(false);
    mDrawingLine = false;
    update();
}

void WTView::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape) {
        cancelOperation(this);
        return;
    }
    if (navigationKey(event))
        return;
    QWidget::keyPressEvent(event);
}

void WTView::setActiveColor(int tool)
{
    cancelOperation(this);
    mSettings->rememberTool(mCurrPointerType, tool);
    if (tool == PenSettings::kEraserTool) {
        mActiveColor = -1;
        if (mRubberButton)
            mRubberButton->setChecked(true);
    } else {
        INK_CHECK(tool >= 1 && tool <= PenSettings::kSlots, kColorIndexOutOfBound);
        mActiveColor = tool - 1;
        mLastSlot = mActiveColor;
        if (mRubberButton)
            mRubberButton->setChecked(false);
    }
    setColor(color());
    setBrushSize(brushSize());
    emit penChanged();
}

const Color *WTView::color() const
{
    return erasing() ? nullptr : &mSettings->color(mActiveColor);
}

void WTView::setColor(const Color *c)
{
    if (!c)
        return;
    INK_CHECK(mActiveColor >= 0 && mActiveColor <= 3, kColorIndexOutOfBound);
    if (c == &mSettings->color(mActiveColor))
        return;
    mSettings->setColor(mActiveColor, *c);
}

float WTView::brushSize() const
{
    INK_CHECK(mActiveColor >= -1 && mActiveColor <= 3, kColorIndexOutOfBound);
    return erasing() ? mSettings->rubberSize() : mSettings->brushSize(mActiveColor);
}

void WTView::setBrushSize(float size)
{
    if (erasing()) {
        mSettings->setRubberSize(size);
    } else {
        INK_CHECK(mActiveColor >= 0 && mActiveColor <= 3, kColorIndexOutOfBound);
        mSettings->setBrushSize(mActiveColor, size);
    }
}

void WTView::toggleEraser()
{
    setActiveColor(erasing() ? mLastSlot + 1 : PenSettings::kEraserTool);
}

void WTView::stepBrushSize(int steps)
{
    float width = brushSize();
    for (; steps > 0; --steps)
        width = PenSettings::largerWidth(width);
    for (; steps < 0; ++steps)
        width = PenSettings::smallerWidth(width);
    if (width != brushSize())
        setBrushSize(width);
}

void WTView::setToolFromTag(QObject *sender)
{
    if (!sender)
        return;
    const QVariant tag = sender->property("tag");
    const auto tool = Preferences::toInteger(tag);
    if (tool)
        setActiveColor(int(*tool));
}

const Color &WTView::slotColor(int slot) const
{
    return mSettings->color(slot);
}

float WTView::slotBrushSize(int slot) const
{
    return mSettings->brushSize(slot);
}

float WTView::rubberSize() const
{
    return mSettings->rubberSize();
}
