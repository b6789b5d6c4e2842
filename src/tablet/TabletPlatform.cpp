#include "TabletPlatform.h"

#include <QGuiApplication>
#include <QTabletEvent>

namespace {
std::optional<bool> forcedShowsCursor;
} // namespace

namespace TabletPlatform {

Qt::KeyboardModifiers modifiersOf(const QTabletEvent &event)
{
    if (event.modifiers() != Qt::NoModifier)
        return event.modifiers();
    // A press decides whether a line starts: worth asking the platform for the keys held now.
    // Moves come too often for that; the state from the last key event does for them.
    if (event.type() == QEvent::TabletPress || event.type() == QEvent::TabletRelease)
        return QGuiApplication::queryKeyboardModifiers();
    return QGuiApplication::keyboardModifiers();
}

bool showsTabletCursor()
{
    if (forcedShowsCursor)
        return *forcedShowsCursor;
    return !QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

void forceShowsTabletCursor(std::optional<bool> shows)
{
    forcedShowsCursor = shows;
}

} // namespace TabletPlatform
