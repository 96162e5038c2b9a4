#pragma once

#include <QAbstractNativeEventFilter>
#include <QPoint>

#include <cstdint>
#include <functional>
#include <optional>

class QWindow;

namespace plat {

// Where the X server has the window's client area now, in global coordinates. Qt learns a window's
// place from the window manager's notices, and some window managers send none while the user drags a
// window, only once the drag has ended. Nothing where the program does not run on X11.
std::optional<QPoint> WindowPositionNow(const QWindow& window);

// Asks the window manager to put the window's client area at the point (global coordinates), whatever
// Qt has last heard or asked for: Qt asks for nothing where it believes the window stands already, while
// the window may be elsewhere or on its way elsewhere. Nothing where the program does not run on X11.
void RequestWindowPosition(const QWindow& window, const QPoint& clientTopLeft);

// Whether a pointer button is down now, as the X server has it: a window manager moving a window by the
// pointer keeps the move going until the button is released. False where the program does not run on
// X11.
bool PointerButtonHeld();

// Calls back whenever the window manager moves or resizes the frame it has put around the window. The
// frame is the window manager's own window: moving it tells the window inside nothing, but any program
// may ask to hear of it. Silent where the program does not run on X11 and while no frame is around.
class FrameMoveWatch : public QAbstractNativeEventFilter {
public:
    explicit FrameMoveWatch(std::function<void()> onFrameMoved);
    ~FrameMoveWatch() override;
    FrameMoveWatch(const FrameMoveWatch&) = delete;
    FrameMoveWatch& operator=(const FrameMoveWatch&) = delete;

    // Watches the frame around this window from now on; nullptr stops watching.
    void Watch(QWindow* window);

    bool nativeEventFilter(const QByteArray& eventType, void* message, qintptr* result) override;

private:
    void followFrame();
    void hearFrame(std::uint32_t frame, bool hear) const;

    std::function<void()> onFrameMoved_;
    std::uint32_t windowId_ = 0; // none watched
    std::uint32_t frame_ = 0;    // none
};

} // namespace plat
