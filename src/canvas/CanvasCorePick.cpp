// The colour picker: one press takes the colour the sheet shows into a slot. The press and what
// follows it until its release paint nothing and leave the history as it was.
#include "CanvasCore.h"

#include "Beep.h"

#include <cmath>

void CanvasCore::pickColor()
{
    if (mPick == Pick::Held)
        return;
    leaveMoveTool();
    setPick(Pick::Armed);
}

void CanvasCore::setPick(Pick pick)
{
    const bool was = isPicking();
    mPick = pick;
    if (was != isPicking() || pick == Pick::Armed)
        emit pickingChanged(isPicking());
}

void CanvasCore::cancelPick()
{
    // A pick already taken ends with its release, whatever is chosen meanwhile.
    if (mPick == Pick::Armed)
        setPick(Pick::None);
}

// Whether the sample belongs to the picker rather than to a stroke.
bool CanvasCore::takeForPick(SampleKind kind, Point at)
{
    if (mPick == Pick::None || mTracking)
        return false;
    switch (kind) {
    case SampleKind::Press:
        mPick = Pick::Held; // before the slot changes, which would disarm an armed picker
        takePickAt(at);
        return true;
    case SampleKind::Move:
        return mPick == Pick::Held; // hovering while armed: a pending line's preview follows
    case SampleKind::Hover:
        if (mPick != Pick::Held)
            return false;
        setPick(Pick::None); // the release went elsewhere
        return true;
    case SampleKind::Release:
        if (mPick != Pick::Held)
            return false;
        setPick(Pick::None);
        return true;
    }
    return false;
}

void CanvasCore::takePickAt(Point p)
{
    const std::optional<Color> shown = colorShownAt(*mPicture, p);
    if (!shown) {
        systemBeep();
        return;
    }
    if (erasing())
        setActiveColor(mLastSlot + 1);
    setColor(&*shown);
}

std::optional<Color> CanvasCore::colorShownAt(const Picture &picture, Point p)
{
    const Size sheet = picture.sheetSize();
    if (!(p.x >= 0.0f && p.y >= 0.0f && p.x < sheet.width && p.y < sheet.height))
        return std::nullopt;
    const int pixelHeight = int(std::ceil(sheet.height));
    const int top = pixelHeight - 1 - int(std::floor(p.y));
    const int x = int(std::floor(p.x));
    // See-through paper is never flattened: its own faint paint is not what the user sees.
    const bool seeThrough = picture.bgType() == BgType::SeeThrough;
    const QImage row = picture.flattenRows(top, 1, !seeThrough);
    if (row.isNull() || x >= row.width())
        return std::nullopt;
    const QRgb shown = qUnpremultiply(reinterpret_cast<const QRgb *>(row.constScanLine(0))[x]);
    if (qAlpha(shown) == 0)
        return std::nullopt;
    return Color::fromQColor(QColor::fromRgba(shown));
}
