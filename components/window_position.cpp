#include "components/window_position.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>
#include <memory>
#include <utility>

namespace {

xcb_connection_t* x11Connection()
{
    const auto* x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    return x11 ? x11->connection() : nullptr;
}

xcb_window_t rootOf(xcb_connection_t* connection)
{
    return xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
}

template <typename Reply> using ReplyPointer = std::unique_ptr<Reply, decltype(&std::free)>;

// The window's ancestor that the root holds: the window manager's frame, or the window itself when
// nothing frames it. 0 when the window is gone.
xcb_window_t outermostOf(xcb_connection_t* connection, xcb_window_t window)
{
    const xcb_window_t root = rootOf(connection);
    while (window != 0) {
        const ReplyPointer<xcb_query_tree_reply_t> tree(
            xcb_query_tree_reply(connection, xcb_query_tree(connection, window), nullptr), &std::free);
        if (!tree)
            return 0;
        if (tree->parent == root)
            return window;
        window = tree->parent;
    }
    return 0;
}

} // namespace

std::optional<QPoint> plat::WindowPositionNow(const QWindow& window)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.handle())
        return std::nullopt;
    const auto cookie = xcb_translate_coordinates(connection, static_cast<xcb_window_t>(window.winId()),
                                                  rootOf(connection), 0, 0);
    const ReplyPointer<xcb_translate_coordinates_reply_t> reply(
        xcb_translate_coordinates_reply(connection, cookie, nullptr), &std::free);
    if (!reply)
        return std::nullopt;
    // Qt's global coordinates are the X server's divided by the scale it applies.
    return (QPointF(reply->dst_x, reply->dst_y) / window.devicePixelRatio()).toPoint();
}

// As Qt places a window: the client area's place, which the window manager takes as such since Qt marks
// the window's gravity as static.
void plat::RequestWindowPosition(const QWindow& window, const QPoint& clientTopLeft)
{
    xcb_connection_t* connection = x11Connection();
    if (!connection || !window.handle())
        return;
    const QPoint native = (QPointF(clientTopLeft) * window.devicePixelRatio()).toPoint();
    const std::int32_t place[] = {native.x(), native.y()};
    xcb_configure_window(connection, static_cast<xcb_window_t>(window.winId()),
                         XCB_CONFIG_WINDOW_X | XCB_CONFIG_WINDOW_Y, place);
    xcb_flush(connection);
}

bool plat::PointerButtonHeld()
{
    xcb_connection_t* connection = x11Connection();
    if (!connection)
        return false;
    const ReplyPointer<xcb_query_pointer_reply_t> reply(
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, rootOf(connection)), nullptr),
        &std::free);
    constexpr std::uint16_t anyButton = XCB_KEY_BUT_MASK_BUTTON_1 | XCB_KEY_BUT_MASK_BUTTON_2 |
                                        XCB_KEY_BUT_MASK_BUTTON_3 | XCB_KEY_BUT_MASK_BUTTON_4 |
                                        XCB_KEY_BUT_MASK_BUTTON_5;
    return reply && (reply->mask & anyButton) != 0;
}

plat::FrameMoveWatch::FrameMoveWatch(std::function<void()> onFrameMoved)
    : onFrameMoved_(std::move(onFrameMoved))
{
}

// The filter leaves the application by itself.
plat::FrameMoveWatch::~FrameMoveWatch()
{
    hearFrame(frame_, false);
}

void plat::FrameMoveWatch::Watch(QWindow* window)
{
    const std::uint32_t id = window && x11Connection() ? static_cast<std::uint32_t>(window->winId()) : 0;
    if (id == windowId_)
        return;
    hearFrame(frame_, false);
    frame_ = 0;
    windowId_ = id;
    if (id == 0) {
        QCoreApplication::instance()->removeNativeEventFilter(this);
        return;
    }
    QCoreApplication::instance()->installNativeEventFilter(this);
    followFrame();
}

// The window manager puts a window into a frame of its own once it is shown, and may take it out again
// when it is hidden.
void plat::FrameMoveWatch::followFrame()
{
    xcb_connection_t* connection = x11Connection();
    const xcb_window_t outermost = outermostOf(connection, windowId_);
    const xcb_window_t frame = outermost == windowId_ ? 0 : outermost;
    if (frame == frame_)
        return;
    hearFrame(frame_, false);
    frame_ = frame;
    hearFrame(frame_, true);
}

// Only this program's interest in the frame changes. The frame may be gone already: the error that
// brings is of no interest.
void plat::FrameMoveWatch::hearFrame(std::uint32_t frame, bool hear) const
{
    xcb_connection_t* connection = frame != 0 ? x11Connection() : nullptr;
    if (!connection)
        return;
    const std::uint32_t events = hear ? XCB_EVENT_MASK_STRUCTURE_NOTIFY : XCB_EVENT_MASK_NO_EVENT;
    xcb_discard_reply(
        connection,
        xcb_change_window_attributes_checked(connection, frame, XCB_CW_EVENT_MASK, &events).sequence);
    xcb_flush(connection);
}

bool plat::FrameMoveWatch::nativeEventFilter(const QByteArray& eventType, void* message, qintptr*)
{
    if (eventType != "xcb_generic_event_t" || windowId_ == 0)
        return false;
    const auto* event = static_cast<const xcb_generic_event_t*>(message);
    switch (event->response_type & 0x7f) {
    case XCB_CONFIGURE_NOTIFY:
        if (frame_ != 0 && reinterpret_cast<const xcb_configure_notify_event_t*>(event)->window == frame_)
            onFrameMoved_();
        break;
    case XCB_REPARENT_NOTIFY:
        if (reinterpret_cast<const xcb_reparent_notify_event_t*>(event)->window == windowId_)
            followFrame();
        break;
    case XCB_DESTROY_NOTIFY:
        if (reinterpret_cast<const xcb_destroy_notify_event_t*>(event)->window == frame_)
            frame_ = 0;
        break;
    default:
        break;
    }
    // Qt still handles every event as its own.
    return false;
}
