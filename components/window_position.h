#pragma once

#include <QPoint>

#include <optional>

class QWindow;

namespace plat {

// Where the X server has the window's client area now, in global coordinates. Qt learns a window's
// place from the window manager's notices, and some window managers send none while the user drags a
// window, only once the drag has ended. Nothing where the program does not run on X11.
std::optional<QPoint> WindowPositionNow(const QWindow& window);

} // namespace plat
