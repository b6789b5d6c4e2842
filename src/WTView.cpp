#include "WTView.h"

#include "Assert.h"
#include "NotificationCenter.h"
#include "PreferenceKeys.h"
#include "Preferences.h"

#include <QAbstractButton>
#include <QKeyEvent>
#include <cmath>

namespace {
const char *const kColorIndexOutOfBound = "color index out of bound";

// A stored number that cannot serve falls back to the registered default.
float storedWidth(const QString &key)
{
    const Preferences &prefs = Preferences::standard();
    const auto v = Preferences::toFloat(prefs.objectForKey(key));
    if (v && std::isfinite(*v))
        return *v;
    return Preferences::toFloat(prefs.registeredDefault(key)).value_or(10.0f);
}
} // namespace

// A stored type outside 0 to 3 can only come from outside the program; the registered default
// serves instead of a type no window can show.
int WTView::storedBgType()
{
    const Preferences &prefs = Preferences::standard();
    const auto v = Preferences::toInteger(prefs.objectForKey(PreferenceKeys::kBgType));
    if (v && *v >= 0 && *v <= 3)
        return int(*v);
    return int(Preferences::toInteger(prefs.registeredDefault(PreferenceKeys::kBgType)).value_or(1));
}

void WTView::initialize()
{
    Preferences &prefs = Preferences::standard();
    if (prefs.registeredDefault(PreferenceKeys::kBgType).isValid())
        return;
    prefs.registerDefaults(PreferenceKeys::registeredDefaults());
}

WTView::WTView(const Rect &frame, QWidget *parent) : QWidget(parent)
{
    initialize();
    setFocusPolicy(Qt::StrongFocus);
    setAttribute(Qt::WA_OpaquePaintEvent);
    setCursor(Qt::CrossCursor);
    setTabletTracking(true); // hover moves name the pointer on drivers without proximity

    mDrawingLine = false;
    mCurrPointerType = 1;
    mBgType = storedBgType();

    const Preferences &prefs = Preferences::standard();
    for (int i = 0; i < 4; ++i) {
        const auto stored = unarchiveColor(prefs.dataForKey(PreferenceKeys::colorKey(i)));
        mColors[i] = std::make_unique<Color>(stored.value_or(PreferenceKeys::defaultColor()));
        mBrushSize[i] = storedWidth(PreferenceKeys::brushSizeKey(i));
    }
    mRubberSize = storedWidth(PreferenceKeys::kRubberSize);

    setBrushSize(brushSize());
    setActiveColor(1);

    mPicture = std::make_unique<Picture>(frame.size, mBgType);
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
    QWidget::keyPressEvent(event);
}

void WTView::setActiveColor(int tool)
{
    cancelOperation(this);
    Preferences::standard().setInteger(tool, PreferenceKeys::toolKeyForPointerType(mCurrPointerType));
    if (tool == 0) {
        mActiveColor = -1;
        if (mRubberButton)
            mRubberButton->setChecked(true);
    } else {
        INK_CHECK(tool >= 1 && tool <= 4, kColorIndexOutOfBound);
        mActiveColor = tool - 1;
        if (mRubberButton)
            mRubberButton->setChecked(false);
    }
    setColor(color());
    setBrushSize(brushSize());
    emit penChanged();
}

const Color *WTView::color() const
{
    return erasing() ? nullptr : mColors[mActiveColor].get();
}

void WTView::setColor(const Color *c)
{
    if (!c)
        return;
    INK_CHECK(mActiveColor >= 0 && mActiveColor <= 3, kColorIndexOutOfBound);
    if (c == mColors[mActiveColor].get())
        return;
    mColors[mActiveColor] = std::make_unique<Color>(*c);
    Preferences::standard().setData(archiveColor(*c), PreferenceKeys::colorKey(mActiveColor));
    emit penChanged();
}

float WTView::brushSize() const
{
    INK_CHECK(mActiveColor >= -1 && mActiveColor <= 3, kColorIndexOutOfBound);
    return erasing() ? mRubberSize : mBrushSize[mActiveColor];
}

void WTView::setBrushSize(float size)
{
    if (erasing()) {
        mRubberSize = size;
        Preferences::standard().setFloat(size, PreferenceKeys::kRubberSize);
    } else {
        INK_CHECK(mActiveColor >= 0 && mActiveColor <= 3, kColorIndexOutOfBound);
        mBrushSize[mActiveColor] = size;
        Preferences::standard().setFloat(size, PreferenceKeys::brushSizeKey(mActiveColor));
    }
    emit penChanged();
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
