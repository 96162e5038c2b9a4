#pragma once

#include "tests/support/program_world.h"
#include "tests/support/qt_printers.h"

#include <QPoint>
#include <QRect>

class QWidget;

// Tests on a real X server, where a window manager frames, places and moves the windows:
// scripts/with-private-display.sh starts both for each of them. Run anywhere else (offscreen), they skip.
class RealDisplay : public ProgramWorld {
protected:
    void SetUp() override;

    // The window's frame as the window system has it now (QWidget keeps a copy of the frame margins that
    // can be stale).
    static QRect Frame(const QWidget& window);
    // Waits until the window manager has framed and shown the window and it has stopped moving, long
    // enough for anything that reacts to a move (the magnet) to have done so.
    static testing::AssertionResult WaitSettled(QWidget& window);
    // Drags the window by its title bar with the pointer, as the user does, so that the top-left corner
    // of its frame ends at the given point, then waits until it has settled.
    static testing::AssertionResult DragByTitleBar(QWidget& window, const QPoint& frameTopLeft);
};
