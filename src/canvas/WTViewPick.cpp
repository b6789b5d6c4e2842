// The colour picker: one press takes the colour the sheet shows into a slot. The press and what
// follows it until its release paint nothing and leave the history as it was.
#include "WTView.h"

#include "Beep.h"

#include <QCursor>
#include <QPainter>
#include <QPixmap>
#include <cmath>

namespace {

// A ring around the hot spot with a dropper leaning away from it, drawn light over dark so that
// it shows on any ink.
QCursor pickerCursor()
{
    QPixmap pixmap(24, 24);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    const std::pair<QColor, qreal> strokes[] = {{Qt::black, 3.0}, {Qt::white, 1.2}};
    for (const auto &[colour, width] : strokes) {
        p.setPen(QPen(colour, width, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(QPointF(4.5, 19.5), 3.0, 3.0);
        p.drawLine(QPointF(7.0, 17.0), QPointF(17.0, 7.0));
        p.drawLine(QPointF(15.0, 5.0), QPointF(19.0, 9.0));
        p.drawLine(QPointF(17.0, 7.0), QPointF(21.0, 3.0));
    }
    p.end();
    return QCursor(pixmap, 4, 19);
}

} // namespace

void WTView::pickColor()
{
    if (mPick == Pick::Held)
        return;
    mPick = Pick::Armed;
    setCursor(pickerCursor());
}

void WTView::cancelPick()
{
    // A pick already taken ends with its release, whatever is chosen meanwhile.
    if (mPick != Pick::Armed)
        return;
    mPick = Pick::None;
    updateNavigationCursor();
}

bool WTView::pickPointer(QEvent::Type type, Qt::MouseButton button, Qt::MouseButtons buttons,
                         Point at)
{
    if (mPick == Pick::None || mTracking)
        return false;
    switch (type) {
    case QEvent::MouseButtonPress:
    case QEvent::TabletPress:
        if (button != Qt::LeftButton)
            return false;
        mPick = Pick::Held; // before the slot changes, which would disarm an armed picker
        takePickAt(at);
        return true;
    case QEvent::MouseMove:
    case QEvent::TabletMove:
        if (mPick != Pick::Held)
            return false; // hovering while armed: a pending line's preview still follows
        if (!(buttons & Qt::LeftButton)) {
            // The release went elsewhere.
            mPick = Pick::None;
            updateNavigationCursor();
        }
        return true;
    case QEvent::MouseButtonRelease:
    case QEvent::TabletRelease:
        if (mPick != Pick::Held)
            return false;
        if (button == Qt::LeftButton) {
            mPick = Pick::None;
            updateNavigationCursor();
        }
        return true;
    default:
        return false;
    }
}

void WTView::takePickAt(Point p)
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

std::optional<Color> WTView::colorShownAt(const Picture &picture, Point p)
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
