#include "Geometry.h"
#include "TestSupport.h"

#include <QtTest>
#include <cmath>
#include <limits>

class TestGeometry : public QObject
{
    Q_OBJECT

private slots:
    void integral_data();
    void integral();
    void emptiness_data();
    void emptiness();
    void insetIntersectionAndUnion();
    void textFormRoundTripsExactly();
    void qtConversionFlipsAroundSpaceHeight();
};

void TestGeometry::integral_data()
{
    QTest::addColumn<Rect>("in");
    QTest::addColumn<Rect>("out");
    QTest::newRow("whole stays") << Rect(1, 2, 3, 4) << Rect(1, 2, 3, 4);
    QTest::newRow("fractions widen") << Rect(0.5f, 0.5f, 1.0f, 1.0f) << Rect(0, 0, 2, 2);
    QTest::newRow("negative origin floors") << Rect(-1.5f, -0.2f, 1.0f, 0.1f) << Rect(-2, -1, 2, 1);
    QTest::newRow("stroke segment") << Rect(4.0f, 4.0f, 20.0f, 15.0f) << Rect(4, 4, 20, 15);
    QTest::newRow("grown segment") << Rect(6.5f, 6.5f, 16.0f, 11.0f) << Rect(6, 6, 17, 12);
    QTest::newRow("zero width is empty") << Rect(3, 3, 0, 5) << Rect();
    QTest::newRow("negative height is empty") << Rect(3, 3, 5, -1) << Rect();
}

void TestGeometry::integral()
{
    QFETCH(Rect, in);
    QFETCH(Rect, out);
    QCOMPARE(integralRect(in), out);
}

void TestGeometry::emptiness_data()
{
    QTest::addColumn<Rect>("r");
    QTest::addColumn<bool>("empty");
    QTest::newRow("ordinary") << Rect(0, 0, 1, 1) << false;
    QTest::newRow("zero width") << Rect(0, 0, 0, 1) << true;
    QTest::newRow("tiny") << Rect(0, 0, 1e-6f, 1e-6f) << false;
    QTest::newRow("negative") << Rect(0, 0, -1, 5) << true;
    QTest::newRow("not a number") << Rect(0, 0, std::numeric_limits<float>::quiet_NaN(), 5) << true;
}

void TestGeometry::emptiness()
{
    QFETCH(Rect, r);
    QFETCH(bool, empty);
    QCOMPARE(isEmptyRect(r), empty);
}

void TestGeometry::insetIntersectionAndUnion()
{
    QCOMPARE(insetRect(Rect(5, 5, 10, 10), -1, -1), Rect(4, 4, 12, 12));
    QCOMPARE(insetRect(Rect(5, 5, 10, 10), 2, 3), Rect(7, 8, 6, 4));
    QCOMPARE(intersectionRect(Rect(0, 0, 10, 10), Rect(5, 5, 10, 10)), Rect(5, 5, 5, 5));
    QCOMPARE(intersectionRect(Rect(0, 0, 10, 10), Rect(10, 0, 10, 10)), Rect());
    QCOMPARE(unionRect(Rect(0, 0, 1, 1), Rect(5, 5, 1, 1)), Rect(0, 0, 6, 6));
    QCOMPARE(unionRect(Rect(), Rect(5, 5, 1, 1)), Rect(5, 5, 1, 1));
}

void TestGeometry::textFormRoundTripsExactly()
{
    const Rect rects[]
        = {Rect(0.1f, -50.25f, 640.7f, 480.2f), Rect(-1e7f, 3.3333333f, 1e-3f, 32767), Rect()};
    for (const Rect &r : rects)
        QCOMPARE(rectFromString(stringFromRect(r)), r);
    QCOMPARE(stringFromRect(Rect(1, 2, 3, 4)), QStringLiteral("{{1, 2}, {3, 4}}"));
    // Unreadable text is the zero rectangle.
    QCOMPARE(rectFromString(QStringLiteral("hello")), Rect());
    QCOMPARE(rectFromString(QString()), Rect());
}

void TestGeometry::qtConversionFlipsAroundSpaceHeight()
{
    // A 10 × 5 rectangle at the bottom-left of a 100-high space is at Qt's y = 95.
    QCOMPARE(toQtRect(Rect(0, 0, 10, 5), 100), QRectF(0, 95, 10, 5));
    QCOMPARE(toQtPoint(Point {3, 0}, 100), QPointF(3, 100));
    QCOMPARE(fromQtPoint(QPointF(3, 100), 100), (Point {3, 0}));
    const Rect r(12.5f, 7, 30, 40.25f);
    QCOMPARE(fromQtRect(toQtRect(r, 600), 600), r);
}

QTEST_APPLESS_MAIN(TestGeometry)
#include "tst_geometry.moc"
