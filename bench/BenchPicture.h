#pragma once

// What the large-picture benchmarks share: the picture they work on and what a run cost.
#include "Layer.h"

#include <QLinearGradient>
#include <QPainter>
#include <QRandomGenerator>
#include <sys/resource.h>

// The process's largest resident size so far.
inline double peakMegabytes()
{
    rusage usage {};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_maxrss) / 1024.0; // kilobytes on Linux
}

// Into a side × side layer, a band at a time with the same strokes in every band: when painted,
// a gradient under the whole sheet and a thousand strokes; otherwise a dozen strokes on a
// transparent sheet.
inline void paintBenchPicture(Layer &layer, int side, bool painted)
{
    for (int y = 0; y < side; y += 1024) {
        const Rect band(0, float(y), float(side), 1024.0f);
        layer.paint(band, band, [&](QPainter &p) {
            if (painted) {
                QLinearGradient ground(0, 0, side, side);
                ground.setColorAt(0, QColor(240, 230, 200));
                ground.setColorAt(1, QColor(90, 120, 170));
                p.fillRect(QRectF(0, 0, side, side), ground);
            }
            p.setRenderHint(QPainter::Antialiasing);
            QRandomGenerator random(7);
            for (int i = 0; i < (painted ? 1000 : 12); ++i) {
                QPen pen(QColor::fromRgb(random.bounded(256), random.bounded(256),
                                         random.bounded(256), random.bounded(128, 256)));
                pen.setWidthF(4.0 + random.bounded(60.0));
                pen.setCapStyle(Qt::RoundCap);
                p.setPen(pen);
                p.drawLine(QPointF(random.bounded(double(side)), random.bounded(double(side))),
                           QPointF(random.bounded(double(side)), random.bounded(double(side))));
            }
        });
    }
}
