#pragma once

// Drives a canvas the way its event handlers do, and looks at what it shows.
#include "Graphics.h"
#include "WTView.h"

#include <QAction>
#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QPointingDevice>
#include <QRandomGenerator>
#include <QTabletEvent>
#include <initializer_list>
#include <map>

namespace strokes {

inline void freehand(CanvasCore &core, std::initializer_list<Point> points, float pressure = 1.0f,
                     bool tablet = false)
{
    auto it = points.begin();
    core.mouseDown({*it, pressure, tablet, {}});
    for (++it; it != points.end(); ++it)
        core.drawCurrentDataFromEvent({*it, pressure, tablet, {}});
    core.mouseUp({*(points.end() - 1), pressure, tablet, {}});
}

inline void freehand(WTView &canvas, std::initializer_list<Point> points, float pressure = 1.0f,
                     bool tablet = false)
{
    freehand(canvas.core(), points, pressure, tablet);
}

// A short horizontal dab at (x, y), width 10 at full pressure.
inline void dab(CanvasCore &core, float x, float y)
{
    freehand(core, {{x, y}, {x + 4, y}});
}

inline void dab(WTView &canvas, float x, float y)
{
    dab(canvas.core(), x, y);
}

// A press and release of the mouse at p, as the core takes them.
inline void tap(CanvasCore &core, Point p, Qt::KeyboardModifiers modifiers = {})
{
    core.take(SampleKind::Press, {p, 1.0f, false, modifiers});
    core.take(SampleKind::Release, {p, 1.0f, false, modifiers});
}

// The picture as the layers show it, without the background; only the part r where given,
// with r's bottom-left corner at the image's.
inline Image picture(const CanvasCore &core, Rect r = {})
{
    if (isEmptyRect(r))
        r = {{0, 0}, core.picture().sheetSize()};
    Image out(r.size);
    QPainter painter(&out.qimage());
    Graphics::lockFocus(painter, sheetToDevice(r.x(), r.y() + out.pixelHeight()));
    core.picture().renderLayersInRect(r);
    Graphics::unlockFocus();
    return out;
}

inline Image picture(WTView &canvas, Rect r = {})
{
    return picture(canvas.core(), r);
}

// For a plain image and a tiled one alike: both count pixels from the bottom-left.
template<typename AnyImage>
int alphaAt(const AnyImage &image, int x, int y)
{
    return qAlpha(image.pixel(x, y));
}

inline ViewTransform viewOf(double zoom, double degrees = 0, bool mirrored = false,
                            QPointF pan = {})
{
    ViewTransform v;
    v.setZoom(zoom);
    v.setRotation(degrees);
    v.setMirrored(mirrored);
    v.setPan(pan);
    return v;
}

inline float uniform(QRandomGenerator &rng, double low, double high)
{
    return float(low + rng.bounded(high - low));
}

template<typename AnyImage>
int paintedPixels(const AnyImage &image)
{
    int n = 0;
    for (int y = 0; y < image.pixelHeight(); ++y)
        for (int x = 0; x < image.pixelWidth(); ++x)
            n += qAlpha(image.pixel(x, y)) != 0;
    return n;
}

inline QPointF widgetPoint(const WTView &canvas, Point p)
{
    return canvas.viewport().widgetPoint(p);
}

inline bool sendMouse(WTView &canvas, QEvent::Type type, Point p, Qt::MouseButton button,
                      Qt::MouseButtons buttons, Qt::KeyboardModifiers modifiers = {})
{
    const QPointF local = widgetPoint(canvas, p);
    QMouseEvent event(type, local, local, canvas.mapToGlobal(local), button, buttons, modifiers);
    QApplication::sendEvent(&canvas, &event);
    return event.isAccepted();
}

// A mouse click at p: press and release, with the modifiers held.
inline void click(WTView &canvas, Point p, Qt::KeyboardModifiers modifiers = {})
{
    sendMouse(canvas, QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton, modifiers);
    sendMouse(canvas, QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton, modifiers);
}

// A mouse drag in a straight move from one point to the other.
inline void drag(WTView &canvas, Point from, Point to)
{
    sendMouse(canvas, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
    sendMouse(canvas, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
}

// A tablet tool of the given kind, owned by the application, which outlives every event that
// names it.
inline const QPointingDevice *tool(QPointingDevice::PointerType type)
{
    static std::map<QPointingDevice::PointerType, const QPointingDevice *> devices;
    const QPointingDevice *&device = devices[type];
    if (!device)
        device = new QPointingDevice(
            QStringLiteral("test tool"), 4242 + qint64(type), QInputDevice::DeviceType::Stylus,
            type, QInputDevice::Capability::Position | QInputDevice::Capability::Pressure, 1, 3,
            QString(), QPointingDeviceUniqueId(), qApp);
    return device;
}

inline const QPointingDevice *pen()
{
    return tool(QPointingDevice::PointerType::Pen);
}

// Returns whether the canvas accepted the event.
inline bool sendTablet(WTView &canvas, QEvent::Type type, Point p, float pressure,
                       Qt::MouseButton button, Qt::MouseButtons buttons,
                       Qt::KeyboardModifiers modifiers = {}, const QPointingDevice *device = pen(),
                       QPointF tilt = {})
{
    const QPointF local = widgetPoint(canvas, p);
    QTabletEvent event(type, device, local, canvas.mapToGlobal(local), pressure, tilt.x(), tilt.y(),
                       0, 0, 0, modifiers, button, buttons);
    event.ignore();
    QApplication::sendEvent(&canvas, &event);
    return event.isAccepted();
}

// Strokes on three layers, reordered, merged, re-styled and one step undone, a paste dragged,
// nudged and placed by a press outside it, and a layer moved by the Move tool: every kind of
// layer step a recording or a journal must carry.
inline void layeredSession(WTView &canvas)
{
    CanvasCore &core = canvas.core();
    drag(canvas, {20, 40}, {300, 60});
    core.newLayer();
    drag(canvas, {100, 10}, {120, 300});
    LayerProperties p = core.layerProperties(1);
    p.mode = BlendMode::Multiply;
    p.opacity = 0.5f;
    p.name = QStringLiteral("Shade");
    core.setLayerProperties(1, p);
    core.newLayer();
    canvas.setActiveColor(2);
    drag(canvas, {40, 200}, {280, 180});
    core.moveLayer(0);
    core.duplicateLayer();
    core.mergeLayerDown();
    core.selectLayer(1);
    core.deleteLayer();
    // As the menu undoes, which a recording hears.
    if (auto *undo = canvas.window()->findChild<QAction *>(QStringLiteral("undo:")))
        undo->trigger();
    else
        canvas.undo();
    p = core.layerProperties(2);
    p.visible = false;
    core.setLayerProperties(2, p);
    core.selectLayer(0);
    drag(canvas, {60, 250}, {200, 20});
    QImage patch(40, 30, QImage::Format_ARGB32_Premultiplied);
    patch.fill(QColor(150, 20, 20, 180));
    canvas.pasteImage(patch, {150, 100});
    drag(canvas, {150, 100}, {170, 90});
    core.nudgePaste(1, 0);
    drag(canvas, {5, 5}, {5, 5});
    core.chooseMoveTool();
    drag(canvas, {50, 50}, {75, 40});
    canvas.setActiveColor(1);
}

// The layers of two canvases: names, properties and which is current, alike.
inline bool sameLayers(WTView &a, WTView &b)
{
    if (a.core().layerCount() != b.core().layerCount()
        || a.core().currentLayerIndex() != b.core().currentLayerIndex())
        return false;
    for (int i = 0; i < a.core().layerCount(); ++i)
        if (!(a.core().layerProperties(i) == b.core().layerProperties(i)))
            return false;
    return true;
}

} // namespace strokes
