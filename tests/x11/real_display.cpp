#include "tests/x11/real_display.h"

#include <QElapsedTimer>
#include <QGuiApplication>
#include <QProcess>
#include <QTest>
#include <QWidget>
#include <QWindow>

namespace {

// Longer than the magnet waits before it takes a move as ended, with room for the window manager.
constexpr int SettledMs = 600;
constexpr int PatienceMs = 10000;

bool framed(const QWidget& window)
{
    return !window.windowHandle()->frameMargins().isNull();
}

QStringList pointerAt(const QPoint& point)
{
    return {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())};
}

} // namespace

void RealDisplay::SetUp()
{
    ProgramWorld::SetUp();
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        return;
    if (qEnvironmentVariableIsSet("KORVANE_PRIVATE_DISPLAY"))
        FAIL() << "started on a private display but runs on " << qPrintable(QGuiApplication::platformName());
    GTEST_SKIP() << "needs an X server with a window manager: ctest or scripts/run-x11-tests.sh gives it one";
}

QRect RealDisplay::Frame(const QWidget& window)
{
    return window.windowHandle()->frameGeometry();
}

testing::AssertionResult RealDisplay::WaitSettled(QWidget& window)
{
    if (!QTest::qWaitForWindowExposed(&window, PatienceMs))
        return testing::AssertionFailure() << "the window is not shown";
    if (!QTest::qWaitFor([&] { return framed(window); }, PatienceMs))
        return testing::AssertionFailure() << "no window manager frames the window";
    QElapsedTimer patience;
    patience.start();
    QElapsedTimer still;
    still.start();
    QRect last = Frame(window);
    while (still.elapsed() < SettledMs) {
        if (patience.elapsed() > PatienceMs)
            return testing::AssertionFailure() << "the window does not stop moving";
        QTest::qWait(20);
        if (Frame(window) != last) {
            last = Frame(window);
            still.restart();
        }
    }
    return testing::AssertionSuccess();
}

testing::AssertionResult RealDisplay::DragByTitleBar(QWidget& window, const QPoint& frameTopLeft)
{
    const QRect frame = Frame(window);
    // The middle of the title bar, and the same point of the frame at its destination.
    const QPoint grip(frame.width() / 2, (window.geometry().y() - frame.y()) / 2);
    const QPoint from = frame.topLeft() + grip;
    const QPoint to = frameTopLeft + grip;
    QStringList steps = pointerAt(from) + QStringList{"mousedown", "1"};
    for (int step = 1; step <= 8; ++step)
        steps += pointerAt(from + (to - from) * step / 8) + QStringList{"sleep", "0.02"};
    steps += QStringList{"mouseup", "1"};
    if (QProcess::execute(QStringLiteral("xdotool"), steps) != 0)
        return testing::AssertionFailure() << "xdotool failed";
    return WaitSettled(window);
}
