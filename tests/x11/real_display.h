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

    // The window's frame as the window system has it now: QWidget keeps a copy of the frame margins that
    // can be stale, and Qt learns the place only when the window manager reports it (openbox, at the end
    // of a drag).
    static QRect Frame(const QWidget& window);
    // Waits until the window manager has framed and shown the window and it has stopped moving, long
    // enough for anything that reacts to a move (the magnet) to have done so.
    static testing::AssertionResult WaitSettled(QWidget& window);
    // Hides the window and waits until the window manager has let it go, as a client must before it
    // shows the window again: one shown sooner may be let go after it is back, and stays unframed.
    static testing::AssertionResult Withdraw(QWidget& window);
    // Starts the program with the main window's frame saved at that point, so that the start puts it
    // there before the window manager has framed it, and waits until it has settled.
    testing::AssertionResult StartAt(const QPoint& frameTopLeft);
    // Drags the window by its title bar with the pointer, as the user does, so that the top-left corner
    // of its frame ends at the given point, then waits until it has settled.
    static testing::AssertionResult DragByTitleBar(QWidget& window, const QPoint& frameTopLeft);

    // A drag by the title bar that the test leads step by step, the button held in between.
    class TitleBarDrag {
    public:
        explicit TitleBarDrag(QWidget& window);
        ~TitleBarDrag();
        TitleBarDrag(const TitleBarDrag&) = delete;
        TitleBarDrag& operator=(const TitleBarDrag&) = delete;
        // Presses the button on the middle of the title bar.
        testing::AssertionResult Press();
        // Moves the pointer so that the frame's top-left corner goes to the point, and waits until the
        // window manager has put it there.
        testing::AssertionResult MoveTo(const QPoint& frameTopLeft);
        // Releases the button and waits until the window has settled.
        testing::AssertionResult Release();

    private:
        QWidget& window_;
        QPoint grip_;
        bool pressed_ = false;
    };
};
