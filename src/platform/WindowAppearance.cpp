#include "WindowAppearance.h"

#include <QGuiApplication>
#include <QWidget>

#ifdef INKPOND_HAVE_XCB
#include <xcb/xcb.h>
#endif

namespace {

// destroy() and create() are protected; a window with an alpha channel can only be had by
// recreating the native window (setting the attribute on a live window does nothing).
struct NativeWindowRecreator : QWidget
{
    static void recreate(QWidget *w)
    {
        void (QWidget::*destroyFn)(bool, bool) = &NativeWindowRecreator::destroy;
        void (QWidget::*createFn)(WId, bool, bool) = &NativeWindowRecreator::create;
        (w->*destroyFn)(true, true);
        (w->*createFn)(0, true, true);
    }
};

#ifdef INKPOND_HAVE_XCB
bool x11CompositorRuns()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->connection())
        return false;
    xcb_connection_t *c = x11->connection();
    int screen = 0;
    const QByteArray display = qgetenv("DISPLAY");
    const int dot = display.lastIndexOf('.');
    const int colon = display.lastIndexOf(':');
    if (dot > colon && colon >= 0)
        screen = display.mid(dot + 1).toInt();
    const QByteArray name = "_NET_WM_CM_S" + QByteArray::number(screen);
    xcb_intern_atom_reply_t *atom = xcb_intern_atom_reply(
        c, xcb_intern_atom(c, 0, uint16_t(name.size()), name.constData()), nullptr);
    if (!atom)
        return false;
    xcb_get_selection_owner_reply_t *owner
        = xcb_get_selection_owner_reply(c, xcb_get_selection_owner(c, atom->atom), nullptr);
    const bool owned = owner && owner->owner != XCB_NONE;
    free(owner);
    free(atom);
    return owned;
}
#endif

} // namespace

namespace WindowAppearance {

bool compositingAvailable()
{
    if (QGuiApplication::platformName() == QLatin1String("xcb")) {
#ifdef INKPOND_HAVE_XCB
        return x11CompositorRuns();
#else
        return false;
#endif
    }
    // Wayland compositors always composite; the offscreen platform keeps alpha in its images.
    return true;
}

bool setSeeThrough(QWidget *window, bool seeThrough)
{
    if (!window)
        return false;
    window = window->window();
    window->setAttribute(Qt::WA_TransparentForMouseEvents,
                         false); // see-through still takes the pen
    if (!seeThrough) {
        window->setAttribute(Qt::WA_TranslucentBackground, false);
        window->setAttribute(Qt::WA_NoSystemBackground, false);
        return false;
    }
    if (!compositingAvailable())
        return false;
    if (window->testAttribute(Qt::WA_TranslucentBackground))
        return true;
    window->setAttribute(Qt::WA_TranslucentBackground, true);
    if (window->testAttribute(Qt::WA_WState_Created)) {
        const bool wasVisible = window->isVisible();
        const QRect geometry = window->geometry();
        NativeWindowRecreator::recreate(window);
        window->setGeometry(geometry);
        if (wasVisible)
            window->show();
    }
    return true;
}

} // namespace WindowAppearance
