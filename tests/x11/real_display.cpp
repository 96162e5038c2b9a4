#include "tests/x11/real_display.h"

#include "app/korvane_main.h"
#include "components/t_saved_form_unit.h"
#include "components/window_position.h"
#include "foundation/useful_ini.h"
#include "platform/ini_file.h"

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

// The window manager marks each window it holds with WM_STATE, and clears the mark once it lets one go.
bool managed(const QWidget& window)
{
    QProcess process;
    process.start(
        QStringLiteral("xprop"),
        {QStringLiteral("-id"), QString::number(window.windowHandle()->winId()), QStringLiteral("WM_STATE")});
    process.waitForFinished();
    const QString state = QString::fromLatin1(process.readAllStandardOutput());
    return state.contains(QLatin1String("window state: Normal")) ||
           state.contains(QLatin1String("window state: Iconic"));
}

QStringList pointerAt(const QPoint& point)
{
    return {QStringLiteral("mousemove"), QString::number(point.x()), QString::number(point.y())};
}

// The point of the frame that the pointer takes: the middle of the title bar.
QPoint titleBarGrip(const QWidget& window, const QRect& frame)
{
    return {frame.width() / 2, (window.geometry().y() - frame.y()) / 2};
}

// Runs xdotool with the event loop going, so that the program sees each step as it comes.
testing::AssertionResult xdotool(const QStringList& arguments)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), arguments);
    if (!process.waitForStarted())
        return testing::AssertionFailure() << "xdotool does not start";
    if (!QTest::qWaitFor([&] { return process.state() == QProcess::NotRunning; }, PatienceMs))
        return testing::AssertionFailure() << "xdotool does not end";
    if (process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0)
        return testing::AssertionFailure()
               << "xdotool failed: " << process.readAllStandardError().constData();
    return testing::AssertionSuccess();
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
    const QRect known = window.windowHandle()->frameGeometry();
    const std::optional<QPoint> now = plat::WindowPositionNow(*window.windowHandle());
    return now ? known.translated(*now - window.geometry().topLeft()) : known;
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

testing::AssertionResult RealDisplay::Withdraw(QWidget& window)
{
    window.hide();
    if (!QTest::qWaitFor([&] { return !managed(window); }, PatienceMs))
        return testing::AssertionFailure() << "the window manager keeps the hidden window";
    return testing::AssertionSuccess();
}

testing::AssertionResult RealDisplay::StartAt(const QPoint& frameTopLeft)
{
    Start();
    const testing::AssertionResult first = WaitSettled(Main());
    if (!first)
        return first;
    const TSavedForm& saved = *Main().SavedKorvaneForm;
    plat::IniFile ini(GetIniFileName(saved.IniFile, saved.IniSuffix));
    const QString section = saved.Section();
    const QString prefix = saved.KeyPrefix();
    const QPoint frameOffset = Main().geometry().topLeft() - Frame(Main()).topLeft();
    Stop();
    ini.WriteInteger(section, prefix + "Left", (frameTopLeft + frameOffset).x());
    ini.WriteInteger(section, prefix + "Top", (frameTopLeft + frameOffset).y());
    Start();
    return WaitSettled(Main());
}

testing::AssertionResult RealDisplay::DragByTitleBar(QWidget& window, const QPoint& frameTopLeft)
{
    TitleBarDrag drag(window);
    const QPoint from = Frame(window).topLeft();
    testing::AssertionResult done = drag.Press();
    if (done)
        done = drag.MoveTo(from + (frameTopLeft - from) / 2);
    if (done)
        done = drag.MoveTo(frameTopLeft);
    return done ? drag.Release() : done;
}

RealDisplay::TitleBarDrag::TitleBarDrag(QWidget& window) : window_(window) {}

RealDisplay::TitleBarDrag::~TitleBarDrag()
{
    // A test that stops halfway must not leave the button down for the next one.
    if (pressed_)
        xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

testing::AssertionResult RealDisplay::TitleBarDrag::Press()
{
    const QRect frame = Frame(window_);
    grip_ = titleBarGrip(window_, frame);
    const testing::AssertionResult pressed =
        xdotool(pointerAt(frame.topLeft() + grip_) + QStringList{"mousedown", "1"});
    pressed_ = bool(pressed);
    return pressed;
}

testing::AssertionResult RealDisplay::TitleBarDrag::MoveTo(const QPoint& frameTopLeft)
{
    // The window manager starts the move at a motion and follows only the motions after it, and it may
    // take a motion that comes too soon after the press as no start: two motions, again until it moves.
    // Some (jwm) follow only the first of the motions that reach them together: each motion waits until
    // the window has followed it.
    QElapsedTimer patience;
    patience.start();
    while (patience.elapsed() < PatienceMs) {
        for (const QPoint& past : {QPoint(1, 0), QPoint(0, 0)}) {
            const testing::AssertionResult moved = xdotool(pointerAt(frameTopLeft + past + grip_));
            if (!moved)
                return moved;
            const bool followed =
                QTest::qWaitFor([&] { return Frame(window_).topLeft() == frameTopLeft + past; }, 1000);
            if (followed && past.isNull())
                return testing::AssertionSuccess();
        }
    }
    const QPoint at = Frame(window_).topLeft();
    return testing::AssertionFailure() << "the window stays at " << at.x() << ", " << at.y();
}

testing::AssertionResult RealDisplay::TitleBarDrag::Release()
{
    const testing::AssertionResult released = xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
    pressed_ = false;
    return released ? WaitSettled(window_) : released;
}
