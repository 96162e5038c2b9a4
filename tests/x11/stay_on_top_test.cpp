#include "app/korvane_main.h"
#include "components/always_on_top.h"
#include "components/t_saved_form_unit.h"
#include "foundation/useful_ini.h"
#include "platform/ini_file.h"
#include "tests/x11/real_display.h"

#include <QAction>
#include <QProcess>
#include <QScreen>
#include <QWindow>

namespace {

// The window manager's own record of the window: it holds "above" once it keeps the window on top.
bool KeptAbove(const QWidget& window)
{
    QProcess xprop;
    xprop.start(QStringLiteral("xprop"),
                {QStringLiteral("-id"), QString::number(window.windowHandle()->winId()),
                 QStringLiteral("_NET_WM_STATE")});
    xprop.waitForFinished();
    return xprop.readAllStandardOutput().contains("_NET_WM_STATE_ABOVE");
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

    // Where the window is, its title bar reachable, and the place the program would save is that one.
    testing::AssertionResult StandsAt(const QPoint& frameTopLeft) const
    {
        const QRect frame = Frame(Main());
        const QRect client = Main().windowHandle()->geometry();
        if (frame.topLeft() != frameTopLeft)
            return testing::AssertionFailure() << "its frame is at " << frame.x() << ", " << frame.y();
        if (!Main().screen()->availableGeometry().contains(frame.topLeft()))
            return testing::AssertionFailure() << "its title bar is off the screen";
        if (Main().geometry() != client)
            return testing::AssertionFailure()
                   << "it would save " << Main().geometry().x() << ", " << Main().geometry().y()
                   << " but is at " << client.x() << ", " << client.y();
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
        EXPECT_EQ(KeptAbove(Main()), onTop) << "turned " << (onTop ? "on" : "off");
        EXPECT_TRUE(StandsAt({260, 190})) << "turned " << (onTop ? "on" : "off");
    }
    const QPoint client = Main().geometry().topLeft();
    Stop();
    EXPECT_EQ(SavedPlace(), client);
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
    const QPoint client = Main().geometry().topLeft();
    for (int start = 1; start <= 10; ++start) {
        Stop();
        EXPECT_EQ(SavedPlace(), client) << "saved before start " << start;
        Start();
        ASSERT_TRUE(WaitSettled(Main()));
        EXPECT_TRUE(Main().MenuAlwaysOnTop->isChecked()) << "start " << start;
        EXPECT_TRUE(KeptAbove(Main())) << "start " << start;
        EXPECT_TRUE(StandsAt({230, 170})) << "start " << start;
    }
}
