#include "components/window_position.h"

#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>

std::optional<QPoint> plat::WindowPositionNow(const QWindow& window)
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !window.handle())
        return std::nullopt;
    xcb_connection_t* connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const auto cookie =
        xcb_translate_coordinates(connection, static_cast<xcb_window_t>(window.winId()), root, 0, 0);
    const std::unique_ptr<xcb_translate_coordinates_reply_t, decltype(&std::free)> reply(
        xcb_translate_coordinates_reply(connection, cookie, nullptr), &std::free);
    if (!reply)
        return std::nullopt;
    // Qt's global coordinates are the X server's divided by the scale it applies.
    return (QPointF(reply->dst_x, reply->dst_y) / window.devicePixelRatio()).toPoint();
}
