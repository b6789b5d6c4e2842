// Strokes a point wide or less, at the far edges of the widest sheets: the tiles get the pixels
// the same segments give on a plain image of the whole sheet.
#include "Geometry.h"
#include "Picture.h"
#include "StrokeGeometry.h"
#include "TestSupport.h"

#include <QPainter>
#include <QtTest>

class TestHairline : public QObject
{
    Q_OBJECT

private slots:
    // On the widest and tallest sheets, at their far edges and across tiles: the pixels of the
    // same stroke drawn on a plain image of the whole sheet, each segment kept only inside the
    // rectangle it reaches. The rows run one after another, so the scratch each leaves behind
    // (wider, taller, of another sheet) serves the next.
    void hairlinesOnTheWidestSheets_data()
    {
        QTest::addColumn<Size>("sheet");
        QTest::addColumn<QList<QPointF>>("path");
        QTest::addColumn<float>("width");
        const Size wide {32767, 160};
        QTest::newRow("far right, off the sheet and back") << wide
            << QList<QPointF> {{32755.3, 40.2}, {32766.6, 52.9}, {32771.0, 61.4}, {32760.2, 70.7}}
            << 1.0f;
        QTest::newRow("far top, off the sheet and back") << wide
            << QList<QPointF> {{16000.4, 150.3}, {16009.8, 158.6}, {16020.1, 163.2}, {16031.7, 155.5}}
            << 1.0f;
        QTest::newRow("top right corner, thinner than a pixel") << wide
            << QList<QPointF> {{32760.5, 150.5}, {32769.0, 162.0}, {32758.1, 159.7}} << 0.4f;
        QTest::newRow("across tile borders") << wide
            << QList<QPointF> {{32690.3, 58.1}, {32712.6, 70.4}, {32700.2, 129.9}, {32650.7, 127.3},
                               {32639.5, 3.2}}
            << 1.0f;
        QTest::newRow("tallest sheet's top, long segments") << Size {300, 32767}
            << QList<QPointF> {{250.2, 32750.1}, {262.9, 32766.4}, {270.3, 32770.0},
                               {140.6, 32600.3}, {299.5, 32767.0}}
            << 0.8f;
        QTest::newRow("small sheet, off the bottom left") << Size {250, 200}
            << QList<QPointF> {{3.2, 5.7}, {-4.1, -2.3}, {10.6, 1.2}, {0.5, 60.5}} << 1.0f;
    }

    void hairlinesOnTheWidestSheets()
    {
        QFETCH(Size, sheet);
        QFETCH(QList<QPointF>, path);
        QFETCH(float, width);
        const int w = int(sheet.width), h = int(sheet.height);
        const Color colour {0.2f, 0.5f, 0.9f, 1.0f};
        Picture picture(sheet, BgType::Plain);
        UndoLayer &snapshot = *picture.createUndoLayer(picture.currentLayer());
        QImage plain(w, h, QImage::Format_ARGB32_Premultiplied);
        plain.fill(Qt::transparent);
        for (qsizetype i = 1; i < path.size(); ++i) {
            const Point from {float(path[i - 1].x()), float(path[i - 1].y())};
            const Point to {float(path[i].x()), float(path[i].y())};
            const Rect touched = lineTouchedRect(from, to, 1.0f);
            const Rect dot {to.x - width / 2, to.y - width / 2, width, width};
            QVERIFY(picture.paintSegment(snapshot, from, to, width, touched, dot, &colour));

            StrokeRaster::paint(plain, {0, 0}, Picture::roundSegment(from, to, width, dot),
                                colour.toQColor(), InkCombine::Max,
                                snapshot.image()->pixelRect(insetRect(touched, -2, -2)));
        }
        QVERIFY(!snapshot.image()->isEmpty());
        QCOMPARE(differingPixels(snapshot.toQImage(), plain), 0);
    }
};

QTEST_MAIN(TestHairline)
#include "tst_hairline.moc"
