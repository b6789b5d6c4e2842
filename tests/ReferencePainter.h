#pragma once

// The picture a session gives, worked out with nothing but whole-sheet QImages and QPainter: the
// yardstick against which the canvas's own storage of the sheet is checked.
#include "Geometry.h"
#include "SessionEvent.h"

#include <QImage>
#include <QJsonArray>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <deque>
#include <numbers>
#include <vector>

class ReferencePainter
{
public:
    ReferencePainter(QSizeF sheet, const std::vector<SessionEvent> &events)
        : mSheet(sheet)
        , mLayer(blank(sheet))
    {
        for (const SessionEvent &e : events)
            apply(e);
    }

    QImage picture(bool withBackground) const
    {
        QImage result = blank(mSheet);
        if (withBackground && mBgType != 3)
            paintBackground(result);
        // Erasing acts on the layer alone, never on the paper beneath.
        QImage render = mLayer;
        QPainter p(&render);
        for (const Snapshot &s : mSnapshots)
            blit(p, s);
        p.end();
        p.begin(&result);
        p.drawImage(0, 0, render);
        p.end();
        return result;
    }

private:
    struct Snapshot
    {
        QImage image;
        bool erase = false;
        qreal opacity = 1; // the colour's alpha: a stroke's coverage shows through it once
    };
    static constexpr std::size_t kHistory = 10;

    static QImage blank(QSizeF size)
    {
        QImage image(int(std::ceil(size.width())), int(std::ceil(size.height())),
                     QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        return image;
    }
    static void blit(QPainter &p, const Snapshot &s)
    {
        p.setCompositionMode(s.erase ? QPainter::CompositionMode_DestinationOut
                                     : QPainter::CompositionMode_SourceOver);
        p.setOpacity(s.opacity);
        p.drawImage(0, 0, s.image);
    }
    void paintBackground(QImage &image) const
    {
        const float w = float(mSheet.width());
        const float h = float(mSheet.height());
        QPainter p(&image);
        p.setTransform(sheetToDevice(0, image.height())); // points are y-up, row 0 the top
        p.setCompositionMode(QPainter::CompositionMode_Source);
        p.fillRect(QRectF(0, 0, w, h), QColor::fromRgbF(1.0f, 1.0f, 0.98f));
        if (mBgType == 1) {
            for (int n = int(h - 40.0f); n > 0; n -= 40)
                p.fillRect(QRectF(0, n, w, 1), QColor::fromRgbF(0.0f, 0.6f, 0.8f));
        } else if (mBgType == 2) {
            const QColor grid = QColor::fromRgbF(0.8f, 0.8f, 0.8f);
            for (int n = int(h - 21.0f); n > 0; n -= 21)
                p.fillRect(QRectF(0, n, w, 1), grid);
            for (float x = 20.0f; x < w; x += 20.0f)
                p.fillRect(QRectF(x, 0, 1, h), grid);
        }
    }

    bool erasing() const { return mSlot < 0; }
    float width() const { return erasing() ? mRubber : mWidths[mSlot]; }

    void setTool(int tool)
    {
        mLinePending = false;
        mRemembered[mPointerType] = tool;
        mSlot = tool - 1;
    }

    void apply(const SessionEvent &e)
    {
        using Kind = SessionEvent::Kind;
        if (e.kind == Kind::Proximity) {
            const int type = int(QStringList {"pen", "cursor", "eraser"}.indexOf(e.pointer)) + 1;
            if (e.id == 0 && e.enter && type != mPointerType) {
                mPointerType = type;
                setTool(mRemembered[type]);
            }
        } else if (e.kind == Kind::Press) {
            press(e);
        } else if (e.kind == Kind::Move) {
            const float pressure = e.pointer == QLatin1String("mouse") ? 1 : e.pressure.value_or(1);
            if (mTracking && pressure != 0)
                segment({e.x, e.y}, pressure);
        } else if (e.kind == Kind::Hover || e.kind == Kind::Release) {
            mTracking = false; // a move with the button up ends a stroke whose release went astray
        } else if (e.kind == Kind::Key && e.key == QLatin1String("Escape")) {
            mLinePending = false;
        } else if (e.kind == Kind::Action) {
            action(e.name, e.value);
        }
    }

    void action(const QString &name, const QJsonValue &value)
    {
        if (name == QLatin1String("setActiveColor:")) {
            setTool(int(value.toDouble()));
        } else if (name == QLatin1String("setColor:") && !erasing()) {
            const QJsonArray c = value.toArray();
            auto part = [&](int i) { return std::clamp(float(c[i].toDouble()), 0.0f, 1.0f); };
            mColors[mSlot] = QColor::fromRgbF(part(0), part(1), part(2), part(3));
        } else if (name == QLatin1String("setBrushSize:")) {
            (erasing() ? mRubber : mWidths[mSlot]) = float(value.toDouble());
        } else if (name == QLatin1String("setBgType:")) {
            mBgType = int(std::lround(value.toDouble()));
        } else if (name == QLatin1String("undo:")) {
            mLinePending = false;
            if (!mSnapshots.empty()) {
                mSnapshots.pop_back();
                mCurrent = nullptr;
            }
        } else if (name == QLatin1String("resizeSheet:")) {
            const QJsonArray r = value.toArray();
            reframe(QRectF(float(r[0].toDouble()), float(r[1].toDouble()), float(r[2].toDouble()),
                           float(r[3].toDouble())));
        }
    }

    void reframe(const QRectF &r)
    {
        const QSizeF old = mSheet;
        mSheet = r.size();
        auto moved = [&](const QImage &image) {
            QImage out = blank(mSheet);
            QPainter p(&out);
            p.setCompositionMode(QPainter::CompositionMode_Source);
            // (px, py) y-up goes to (px − x, py − y); in y-down rows that shifts by the height
            // change.
            p.drawImage(
                QPointF(-r.x(), std::ceil(mSheet.height()) - std::ceil(old.height()) + r.y()),
                image);
            return out;
        };
        mLayer = moved(mLayer);
        for (Snapshot &s : mSnapshots)
            s.image = moved(s.image);
    }

    void press(const SessionEvent &e)
    {
        mTracking = false;
        const QPointF at(e.x, e.y);
        const bool shift = e.modifiers.contains(QLatin1String("shift"));
        if (mLinePending) {
            commitLine(at, shift,
                       e.modifiers.contains(QLatin1String("alt"))
                           || e.modifiers.contains(QLatin1String("ctrl")));
            return;
        }
        mLast = at;
        mLastWidth = -1;
        mLinePending = !erasing() && shift;
        mTracking = !mLinePending;
        if (mSnapshots.size() >= kHistory) {
            QPainter p(&mLayer);
            blit(p, mSnapshots.front());
            mSnapshots.pop_front();
        }
        mCurrent = &mSnapshots.emplace_back(Snapshot {blank(mSheet)});
    }

    void commitLine(QPointF to, bool snap, bool chain)
    {
        mLinePending = false;
        if (!mCurrent)
            return;
        if (snap)
            to = snapped(to, mLast);
        const float w = width();
        // A line's dot fills the whole-numbered square around it, grown by a point.
        const float x = float(to.x()) - w / 2 - 1, y = float(to.y()) - w / 2 - 1;
        const float x0 = std::floor(x), y0 = std::floor(y);
        paint(mLast, to, w, w,
              QRectF(x0, y0, std::ceil(x + (w + 2)) - x0, std::ceil(y + (w + 2)) - y0));
        mLinePending = chain;
        mLast = to;
    }

    // Horizontal, vertical or diagonal from the anchor, whichever is nearest in angle.
    static QPointF snapped(QPointF q, QPointF anchor)
    {
        const float dx = float(q.x()) - float(anchor.x());
        const float dy = float(q.y()) - float(anchor.y());
        const int sector = int(std::lround(std::atan2(dy, dx) / (std::numbers::pi / 4))) & 7;
        if (sector % 4 == 0)
            return {q.x(), anchor.y()};
        if (sector % 4 == 2)
            return {anchor.x(), q.y()};
        return {float(anchor.x()) + (sector % 4 == 1 ? dy : -dy), q.y()};
    }

    void segment(QPointF to, float pressure)
    {
        const float w = pressure * width();
        const float x = float(to.x()), y = float(to.y());
        paint(mLast, to, mLastWidth < 0 ? w : mLastWidth, w, QRectF(x - w / 2, y - w / 2, w, w));
        mLast = to;
        mLastWidth = w;
    }

    // The convex hull of a circle at each end, the width going from one to the other; lines
    // thinner than a pixel are drawn a pixel wide.
    static QPainterPath taperedSegment(QPointF from, QPointF to, float w0, float w1)
    {
        const qreal ra = std::max(w0 / 2.0, 0.5), rb = std::max(w1 / 2.0, 0.5);
        QPainterPath a, b;
        a.addEllipse(from, ra, ra);
        b.addEllipse(to, rb, rb);
        QPainterPath hull = a.united(b);
        const QPointF d = to - from;
        const qreal length = std::hypot(d.x(), d.y());
        if (length > std::abs(ra - rb)) {
            const QPointF u = d / length, n(-u.y(), u.x());
            const qreal s = (ra - rb) / length, c = std::sqrt(1 - s * s);
            const QPointF w1a = s * u + c * n, w2a = s * u - c * n;
            QPainterPath quad;
            quad.addPolygon(QPolygonF {from + ra * w1a, to + rb * w1a, to + rb * w2a,
                                       from + ra * w2a, from + ra * w1a});
            hull = hull.united(quad);
        }
        return hull;
    }

    void paint(QPointF from, QPointF to, float w0, float w1, const QRectF &dot)
    {
        if (!mCurrent)
            return;
        mCurrent->erase = erasing();
        // The eraser's colour is of no account: only its coverage removes paint.
        QColor color = erasing() ? QColor(Qt::black) : mColors[mSlot];
        // These sessions never change a snapshot's alpha half-way.
        mCurrent->opacity = color.alphaF();
        color.setAlpha(255);
        QPainter p(&mCurrent->image);
        p.setTransform(sheetToDevice(0, mCurrent->image.height()));
        p.setRenderHint(QPainter::Antialiasing);
        if (from == to) {
            p.setPen(Qt::NoPen);
            p.setBrush(color);
            p.drawEllipse(dot);
        } else {
            p.fillPath(taperedSegment(from, to, w0, w1), color);
        }
    }

    QSizeF mSheet;
    QImage mLayer;
    std::deque<Snapshot> mSnapshots;
    Snapshot *mCurrent = nullptr; // where the stroke or line under way paints
    QColor mColors[4] = {Qt::black, Qt::black, Qt::black, Qt::black};
    float mWidths[4] = {10, 10, 10, 10};
    float mRubber = 10;
    int mSlot = 0; // −1: the eraser
    int mBgType = 1;
    int mPointerType = 1;
    int mRemembered[4] = {1, 1, 1, 0}; // the tool each pointer type brings back
    bool mTracking = false;
    bool mLinePending = false;
    QPointF mLast;
    float mLastWidth = -1; // of the stroke's last sample; negative before its first
};
