#include "Geometry.h"

#include <QRegularExpression>
#include <algorithm>
#include <cmath>

bool isEmptyRect(const Rect &r)
{
    return !(r.size.width > 0.0f) || !(r.size.height > 0.0f);
}

Rect integralRect(const Rect &r)
{
    if (isEmptyRect(r))
        return {};
    const float x0 = std::floor(r.x());
    const float y0 = std::floor(r.y());
    const float x1 = std::ceil(r.maxX());
    const float y1 = std::ceil(r.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect insetRect(const Rect &r, float dx, float dy)
{
    return {r.x() + dx, r.y() + dy, r.width() - 2.0f * dx, r.height() - 2.0f * dy};
}

Rect intersectionRect(const Rect &a, const Rect &b)
{
    const float x0 = std::max(a.x(), b.x());
    const float y0 = std::max(a.y(), b.y());
    const float x1 = std::min(a.maxX(), b.maxX());
    const float y1 = std::min(a.maxY(), b.maxY());
    if (!(x1 > x0) || !(y1 > y0))
        return {};
    return {x0, y0, x1 - x0, y1 - y0};
}

Rect unionRect(const Rect &a, const Rect &b)
{
    if (isEmptyRect(a))
        return b;
    if (isEmptyRect(b))
        return a;
    const float x0 = std::min(a.x(), b.x());
    const float y0 = std::min(a.y(), b.y());
    const float x1 = std::max(a.maxX(), b.maxX());
    const float y1 = std::max(a.maxY(), b.maxY());
    return {x0, y0, x1 - x0, y1 - y0};
}

QString stringFromRect(const Rect &r)
{
    // Shortest text that reads back to the same float.
    auto f = [](float v) { return QString::number(v, 'g', 9); };
    return QStringLiteral("{{%1, %2}, {%3, %4}}")
        .arg(f(r.x()), f(r.y()), f(r.width()), f(r.height()));
}

Rect rectFromString(const QString &s)
{
    static const QRegularExpression number(
        QStringLiteral("[-+]?(?:\\d+\\.?\\d*|\\.\\d+)(?:[eE][-+]?\\d+)?"));
    float v[4] = {0, 0, 0, 0};
    int n = 0;
    for (auto it = number.globalMatch(s); it.hasNext() && n < 4;)
        v[n++] = it.next().captured().toFloat();
    return {v[0], v[1], v[2], v[3]};
}

QRectF toQtRect(const Rect &r, float spaceHeight)
{
    return QRectF(r.x(), double(spaceHeight) - r.maxY(), r.width(), r.height());
}

QPointF toQtPoint(const Point &p, float spaceHeight)
{
    return QPointF(p.x, double(spaceHeight) - p.y);
}

Point fromQtPoint(const QPointF &p, float spaceHeight)
{
    return {float(p.x()), float(double(spaceHeight) - p.y())};
}

Rect fromQtRect(const QRectF &r, float spaceHeight)
{
    return {float(r.x()), float(double(spaceHeight) - r.bottom()), float(r.width()),
            float(r.height())};
}

QTransform sheetToDevice(qreal left, qreal top)
{
    return QTransform(1, 0, 0, -1, -left, top);
}
