#include "components/t_saved_form_unit.h"
#include "foundation/useful_ini.h"
#include "platform/ini_file.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {

class SavedForm : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        form.setObjectName("MainForm");
        form.setGeometry(40, 50, 300, 200);
        saved = new TSavedForm(&form);
        saved->IniFile = "Korvane";
        saved->SetSavedName("KorvaneMain");
    }
    QString IniName() const { return GetIniFileName("Korvane", QString()); }
    static QString Prefix()
    {
        const QScreen* screen = QGuiApplication::primaryScreen();
        return QStringLiteral("KorvaneMain_%1_%2x%3_")
            .arg(std::lrint(screen->logicalDotsPerInch()))
            .arg(screen->geometry().width())
            .arg(screen->geometry().height());
    }

    QWidget form;
    TSavedForm* saved = nullptr;
};

} // namespace

TEST_F(SavedForm, APlacementComesBackForTheSameScreenAndLeavesOtherSectionsAlone)
{
    WriteFile(IniName(), "[Foreign]\nKept=1\n");
    saved->Save();
    form.setGeometry(10, 10, 100, 100);
    saved->Load();
    EXPECT_EQ(form.pos(), QPoint(40, 50));
    EXPECT_EQ(form.size(), QSize(300, 200));
    const plat::IniFile ini(IniName());
    EXPECT_EQ(ini.ReadString("Foreign", "Kept", ""), "1");
    EXPECT_EQ(ini.ReadInteger("Positions", Prefix() + "Left", -1), 40);

    // Another resolution has keys of its own: nothing saved for it, nothing moves.
    plat::IniFile(IniName()).WriteInteger("Positions", "KorvaneMain_96_1x1_Left", 5);
    saved->SetSavedName("Other");
    saved->Load();
    EXPECT_EQ(form.pos(), QPoint(40, 50));
}

TEST_F(SavedForm, StatesAndPositionsThatCannotBeRestored)
{
    plat::IniFile ini(IniName());
    ini.WriteInteger("Positions", Prefix() + "State", 1);
    ini.WriteInteger("Positions", Prefix() + "Left", 50000);
    ini.WriteInteger("Positions", Prefix() + "Top", 50000);
    saved->Load();
    EXPECT_FALSE(form.isMinimized()) << "never restored minimized";
    EXPECT_EQ(form.pos(), QPoint(40, 50)) << "a place no screen shows is not used";

    // Maximized, only the state is written: the normal placement saved before stays.
    form.setWindowState(Qt::WindowMaximized);
    saved->Save();
    EXPECT_EQ(ini.ReadInteger("Positions", Prefix() + "State", -1), 2);
    EXPECT_EQ(ini.ReadInteger("Positions", Prefix() + "Left", -1), 50000);
    form.setWindowState(Qt::WindowNoState);
    saved->Load();
    EXPECT_TRUE(form.isMaximized());
}

TEST_F(SavedForm, AVetoedLoadLeavesTheFormAndItsEventsAlone)
{
    plat::IniFile(IniName()).WriteInteger("Positions", Prefix() + "Width", 250);
    int events = 0;
    saved->OnBeforeLoad = saved->OnAfterLoad = [&](TSavedForm*) { ++events; };
    bool allow = false;
    saved->OnLoadRequest = [&](TSavedForm*, bool& execute) { execute = allow; };
    saved->Load();
    EXPECT_EQ(form.width(), 300);
    EXPECT_EQ(events, 0);
    allow = true;
    saved->Load();
    EXPECT_EQ(form.width(), 250);
    EXPECT_EQ(events, 2);
}
