#include "app/korvane_main.h"
#include "components/always_on_top.h"
#include "components/t_saved_form_unit.h"
#include "foundation/useful_ini.h"
#include "platform/ini_file.h"
#include "tests/x11/real_display.h"

#include <QAction>
#include <QProcess>
#include <QScreen>
#include <QTest>
#include <QWindow>

namespace {

QString Output(const QString& program, const QStringList& arguments)
{
    QProcess process;
    process.start(program, arguments);
    process.waitForFinished();
    return QString::fromLatin1(process.readAllStandardOutput());
}

QString WindowId(const QWidget& window)
{
    return QString::number(window.windowHandle()->winId());
}

// The window manager's own record of the window: it holds "above" once it keeps the window on top.
bool KeptAbove(const QWidget& window)
{
    return Output(QStringLiteral("xprop"),
                  {QStringLiteral("-id"), WindowId(window), QStringLiteral("_NET_WM_STATE")})
        .contains(QLatin1String("_NET_WM_STATE_ABOVE"));
}

// The stacking as the X server has it: xwininfo lists every window from the top down, each inside the
// window manager's frame. Not every window manager keeps _NET_CLIENT_LIST_STACKING in the order it
// promises (icewm lists it from the top).
bool StandsAbove(const QWidget& upper, const QWidget& lower)
{
    const QString tree =
        Output(QStringLiteral("xwininfo"), {QStringLiteral("-root"), QStringLiteral("-tree")});
    auto at = [&](const QWidget& window) {
        return tree.indexOf(QStringLiteral("0x%1 ").arg(window.windowHandle()->winId(), 0, 16));
    };
    return at(upper) >= 0 && at(upper) < at(lower);
}

bool Active(const QWidget& window)
{
    return Output(QStringLiteral("xdotool"), {QStringLiteral("getactivewindow")}).trimmed() ==
           WindowId(window);
}

} // namespace

class StayOnTopDisplay : public RealDisplay {
protected:
    // Where the main window's place is kept: taken while it runs, read once it is closed.
    void FindSavedPlace()
    {
        const TSavedForm& saved = *Main().SavedKorvaneForm;
        iniFile_ = GetIniFileName(saved.IniFile, saved.IniSuffix);
        section_ = saved.Section();
        prefix_ = saved.KeyPrefix();
    }
    // The client area's place as the settings file holds it.
    QPoint SavedPlace() const
    {
        const plat::IniFile ini(iniFile_);
        return {ini.ReadInteger(section_, prefix_ + "Left", -1),
                ini.ReadInteger(section_, prefix_ + "Top", -1)};
    }
    void ToggleAlwaysOnTop() { Main().MenuAlwaysOnTop->trigger(); }
    // The window manager takes the hint once the window is on the screen.
    bool KeptAboveSoon(bool above) const
    {
        return QTest::qWaitFor([&] { return KeptAbove(Main()) == above; }, 10000);
    }

    // Where the X server has the client area, whatever the window manager told the program.
    static QPoint Client(const QWidget& window)
    {
        const QMargins frame = window.windowHandle()->frameMargins();
        return Frame(window).topLeft() + QPoint(frame.left(), frame.top());
    }

    // Where the window is, its title bar reachable, and the place the program would save is that one.
    testing::AssertionResult StandsAt(const QPoint& frameTopLeft) const
    {
        const QRect frame = Frame(Main());
        const QPoint client = Client(Main());
        if (frame.topLeft() != frameTopLeft)
            return testing::AssertionFailure() << "its frame is at " << frame.x() << ", " << frame.y();
        if (!Main().screen()->availableGeometry().contains(frame.topLeft()))
            return testing::AssertionFailure() << "its title bar is off the screen";
        if (Main().geometry().topLeft() != client)
            return testing::AssertionFailure()
                   << "it would save " << Main().geometry().x() << ", " << Main().geometry().y()
                   << " but is at " << client.x() << ", " << client.y();
        return testing::AssertionSuccess();
    }

    // Activates a window as a pager or a click does.
    static testing::AssertionResult Activate(const QWidget& window)
    {
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), WindowId(window)});
        if (!QTest::qWaitFor([&] { return Active(window); }, 10000))
            return testing::AssertionFailure() << "the window is not activated";
        return testing::AssertionSuccess();
    }

private:
    QString iniFile_, section_, prefix_;
};

TEST_F(StayOnTopDisplay, TogglingAlwaysOnTopKeepsTheWindowWhereItStands)
{
    Start();
    FindSavedPlace();
    ASSERT_TRUE(WaitSettled(Main()));
    ASSERT_TRUE(DragByTitleBar(Main(), {260, 190}));
    for (const bool onTop : {true, false, true}) {
        ToggleAlwaysOnTop();
        ASSERT_TRUE(WaitSettled(Main()));
        EXPECT_EQ(Main().StayOnTopComp->StayOnTop(), onTop);
        EXPECT_TRUE(KeptAboveSoon(onTop)) << "turned " << (onTop ? "on" : "off");
        EXPECT_TRUE(StandsAt({260, 190})) << "turned " << (onTop ? "on" : "off");
    }
    const QPoint client = Client(Main());
    Stop();
    EXPECT_EQ(SavedPlace(), client);

    // Started with it on, it is kept on top, and turned off, another window goes over it.
    Start();
    ASSERT_TRUE(WaitSettled(Main()));
    ASSERT_TRUE(KeptAboveSoon(true));
    QWidget other;
    other.setGeometry(QRect(Client(Main()) + QPoint(40, 40), Main().size()));
    other.show();
    ASSERT_TRUE(WaitSettled(other));
    ASSERT_TRUE(Activate(other));
    EXPECT_TRUE(StandsAbove(Main(), other)) << "kept on top since the start";
    ToggleAlwaysOnTop();
    EXPECT_TRUE(KeptAboveSoon(false)) << "turned off";
    ASSERT_TRUE(Activate(Main()));
    ASSERT_TRUE(Activate(other));
    EXPECT_TRUE(QTest::qWaitFor([&] { return StandsAbove(other, Main()); }, 10000))
        << "another window goes over it once it is turned off";
    EXPECT_TRUE(StandsAt({260, 190}));
}

// The window manager places the window while the program is still showing it: a start is a race, so
// it is run many times.
TEST_F(StayOnTopDisplay, EveryStartWithAlwaysOnTopComesBackWhereTheWindowWasClosed)
{
    Start();
    FindSavedPlace();
    ASSERT_TRUE(WaitSettled(Main()));
    ASSERT_TRUE(DragByTitleBar(Main(), {230, 170}));
    ToggleAlwaysOnTop();
    ASSERT_TRUE(WaitSettled(Main()));
    ASSERT_TRUE(StandsAt({230, 170}));
    const QPoint client = Client(Main());
    for (int start = 1; start <= 10; ++start) {
        Stop();
        EXPECT_EQ(SavedPlace(), client) << "saved before start " << start;
        Start();
        ASSERT_TRUE(WaitSettled(Main()));
        EXPECT_TRUE(Main().MenuAlwaysOnTop->isChecked()) << "start " << start;
        EXPECT_TRUE(KeptAboveSoon(true)) << "start " << start;
        EXPECT_TRUE(StandsAt({230, 170})) << "start " << start;
    }
}
