// What the canvas makes up for where the windowing platform falls short with tablets: keyboard
// modifiers missing from tablet events, and no cursor for a hovering tool.
#include "HoverCrosshair.h"
#include "NotificationCenter.h"
#include "ProximityEvent.h"
#include "StrokeDriver.h"
#include "TabletPlatform.h"
#include "TestSupport.h"

#include <QPainter>
#include <QRandomGenerator>
#include <QTest>

namespace {
QImage shown(WTView &canvas)
{
    return canvas.grab().toImage().convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

void hover(WTView &canvas, Point p)
{
    strokes::sendTablet(canvas, QEvent::TabletMove, p, 0.0f, Qt::NoButton, Qt::NoButton);
}

// Widget pixels at which two pictures of the canvas differ, as one bounding rectangle.
QRect differingRect(const QImage &a, const QImage &b)
{
    QRect r;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y))
                r |= QRect(x, y, 1, 1);
    return r;
}
} // namespace

class TabletPlatformTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { mSettings = std::make_unique<IsolatedSettings>(); }
    void cleanup()
    {
        TabletPlatform::forceShowsTabletCursor(std::nullopt);
        mSettings.reset();
    }
    void shiftOnTheKeyboardStartsALineFromATabletPressWithoutModifiers();
    void crosshairRepaintsMatchAWholeRepaint();
    void crosshairShowsOnlyWhileATabletToolHovers();

private:
    std::unique_ptr<IsolatedSettings> mSettings;
};

void TabletPlatformTest::shiftOnTheKeyboardStartsALineFromATabletPressWithoutModifiers()
{
    Opened opened;
    WTView &canvas = *opened.canvas;
    opened.window->show();
    QVERIFY(QTest::qWaitForWindowExposed(opened.window));
    QWindow *window = opened.window->windowHandle();

    // Without Shift held, a bare press starts a freehand stroke.
    strokes::sendTablet(canvas, QEvent::TabletPress, {40, 40}, 0.5f, Qt::LeftButton,
                        Qt::LeftButton);
    QVERIFY(canvas.isTrackingStroke());
    QVERIFY(!canvas.isDrawingLine());
    strokes::sendTablet(canvas, QEvent::TabletRelease, {40, 40}, 0.0f, Qt::LeftButton,
                        Qt::NoButton);

    // As on Wayland with Qt 6.4: the key went to the window, the tablet event says nothing of it.
    QTest::keyPress(window, Qt::Key_Shift, Qt::ShiftModifier);
    QVERIFY(QGuiApplication::keyboardModifiers() & Qt::ShiftModifier);
    strokes::sendTablet(canvas, QEvent::TabletPress, {60, 60}, 0.5f, Qt::LeftButton, Qt::LeftButton,
                        Qt::NoModifier);
    strokes::sendTablet(canvas, QEvent::TabletRelease, {60, 60}, 0.0f, Qt::LeftButton, Qt::NoButton,
                        Qt::NoModifier);
    QVERIFY(canvas.isDrawingLine());
    QTest::keyRelease(window, Qt::Key_Shift);
}

void TabletPlatformTest::crosshairRepaintsMatchAWholeRepaint()
{
    // Repainting only what each move returns, over a picture that already shows the last
    // place, must give what painting everything afresh gives: no trail, no missing arm.
    const QSize size(64, 48);
    auto paper = [&] {
        QImage image(size, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::darkCyan);
        return image;
    };
    QImage incremental = paper();
    HoverCrosshair crosshair;
    QRandomGenerator rng(7);
    for (int step = 0; step < 60; ++step) {
        const QRegion dirty = step % 9 == 8
            ? crosshair.hide()
            : crosshair.moveTo({rng.bounded(-10, 75), rng.bounded(-10, 60)});
        {
            QPainter painter(&incremental);
            painter.setClipRegion(dirty);
            painter.drawImage(0, 0, paper());
            crosshair.paint(painter);
        }
        QImage whole = paper();
        {
            QPainter painter(&whole);
            crosshair.paint(painter);
        }
        QVERIFY2(incremental == whole, qPrintable(QStringLiteral("step %1").arg(step)));
    }
}

void TabletPlatformTest::crosshairShowsOnlyWhileATabletToolHovers()
{
    TabletPlatform::forceShowsTabletCursor(false);
    Opened opened;
    WTView &canvas = *opened.canvas;
    strokes::dab(canvas, 30, 30);
    const QImage before = shown(canvas);

    hover(canvas, {60, 50});
    const QImage hovering = shown(canvas);
    const QPoint centre = strokes::widgetPoint(canvas, {60, 50}).toPoint();
    QCOMPARE(hovering.pixel(centre), qRgb(0, 0, 0));
    QVERIFY(canvas.hoverCrosshair().rect().contains(differingRect(before, hovering)));

    // Pressing, leaving proximity, leaving the widget or a mouse click: gone, nothing left.
    const auto hides = std::vector<std::function<void()>> {
        [&] {
            strokes::sendTablet(canvas, QEvent::TabletPress, {60, 50}, 0.5f, Qt::LeftButton,
                                Qt::LeftButton);
            strokes::sendTablet(canvas, QEvent::TabletRelease, {60, 50}, 0.0f, Qt::LeftButton,
                                Qt::NoButton);
        },
        [&] {
            ProximityEvent leaving;
            leaving.pointingDeviceType = quint8(PointerType::Pen);
            NotificationCenter::defaultCenter().post(
                kProximityNotification, nullptr,
                {{kProximityEventKey, QVariant::fromValue(leaving)}});
        },
        [&] {
            QEvent leave(QEvent::Leave);
            QApplication::sendEvent(&canvas, &leave);
        },
        [&] {
            strokes::click(canvas, {70, 50});
        },
    };
    for (std::size_t i = 0; i < hides.size(); ++i) {
        const QImage painted = i == 0 ? QImage() : shown(canvas);
        hover(canvas, {90, 50});
        hides[i]();
        QVERIFY2(!canvas.hoverCrosshair().isShown(), qPrintable(QString::number(i)));
        if (i > 0)
            QCOMPARE(shown(canvas), painted);
    }

    // Where the platform shows its own cursor, the canvas draws none.
    TabletPlatform::forceShowsTabletCursor(true);
    const QImage withCursor = shown(canvas);
    hover(canvas, {40, 60});
    QVERIFY(!canvas.hoverCrosshair().isShown());
    QCOMPARE(shown(canvas), withCursor);
}

QTEST_MAIN(TabletPlatformTest)
#include "tst_tabletplatform.moc"
