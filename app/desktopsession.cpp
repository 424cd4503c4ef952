#include "desktopsession.h"

#include <QGuiApplication>
#include <QLatin1String>

#if QT_CONFIG(xcb)
#include <xcb/xcb.h>

#include <memory>
#endif

bool compositorPlacesWindows()
{
    return QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
}

bool windowManagerRuns()
{
    if (compositorPlacesWindows())
        return true;
#if QT_CONFIG(xcb)
    // Asked each time: a manager may start or quit while the program runs.
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    if (!connection)
        return false;
    const char name[] = "_NET_SUPPORTING_WM_CHECK";
    const std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> atom(
        xcb_intern_atom_reply(connection, xcb_intern_atom(connection, 1, sizeof name - 1, name), nullptr),
        &free);
    if (!atom || atom->atom == XCB_ATOM_NONE)
        return false; // nobody ever named it: no manager has run on this display
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> check(
        xcb_get_property_reply(
            connection, xcb_get_property(connection, 0, root, atom->atom, XCB_ATOM_WINDOW, 0, 1), nullptr),
        &free);
    return check && xcb_get_property_value_length(check.get()) == int(sizeof(xcb_window_t));
#else
    return false;
#endif
}
