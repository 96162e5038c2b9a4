#include "foundation/global_events.h"
#include "tests/support/qt_printers.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

class EventHub : public ::testing::Test {
protected:
    void SetUp() override { GlobalEvents() = TGlobalEvents(); }
    void TearDown() override { GlobalEvents() = TGlobalEvents(); }

    // Every handler writes "slot sender arguments" into calls_.
    void Record(const QString& slot, QObject* sender, const QStringList& arguments = {})
    {
        calls_.append(QStringList{slot, sender->objectName()}.join(u' ') +
                      (arguments.isEmpty() ? QString() : u' ' + arguments.join(u',')));
    }
    static QString Flag(bool flag) { return flag ? "true" : "false"; }

    QStringList calls_;
};

TEST_F(EventHub, EachFiringReachesItsHandlerOnceWithItsArguments)
{
    QObject sender;
    sender.setObjectName("page");
    const auto fireEverySlot = [&sender] {
        FireLanguageChanged(&sender);
        FireCommandsStarting(&sender, "Converting");
        FireCommandsFinished(&sender);
        FireEnableControls(&sender, false, "_BeforeCommands");
        FireEncodingSettingsChanged(&sender);
        FireTempFolderChanged(&sender);
        FireThemeChanged(&sender, "Dark", true);
        FireStatusText(&sender, "Encoding", true);
        FireWaitEnd(&sender);
        FireWaitBegin(&sender, "Please wait");
        FireScanSubfoldersChanged(&sender);
    };
    fireEverySlot(); // empty slots do nothing

    TGlobalEvents& hub = GlobalEvents();
    hub.OnLanguageChanged = [this](QObject* s) { Record("LanguageChanged", s); };
    hub.OnCommandsStarting = [this](QObject* s, QString t) { Record("CommandsStarting", s, {t}); };
    hub.OnCommandsFinished = [this](QObject* s) { Record("CommandsFinished", s); };
    hub.OnEnableControls = [this](QObject* s, bool e, QString r) {
        Record("EnableControls", s, {Flag(e), r});
    };
    hub.OnEncodingSettingsChanged = [this](QObject* s) { Record("EncodingSettingsChanged", s); };
    hub.OnTempFolderChanged = [this](QObject* s) { Record("TempFolderChanged", s); };
    hub.OnThemeChanged = [this](QObject* s, QString n, bool f) { Record("ThemeChanged", s, {n, Flag(f)}); };
    hub.OnStatusText = [this](QObject* s, QString t, bool v) { Record("StatusText", s, {t, Flag(v)}); };
    hub.OnWaitEnd = [this](QObject* s) { Record("WaitEnd", s); };
    hub.OnWaitBegin = [this](QObject* s, QString m) { Record("WaitBegin", s, {m}); };
    hub.OnScanSubfoldersChanged = [this](QObject* s) { Record("ScanSubfoldersChanged", s); };
    fireEverySlot();
    EXPECT_EQ(calls_, QStringList({
                          "LanguageChanged page",
                          "CommandsStarting page Converting",
                          "CommandsFinished page",
                          "EnableControls page false,_BeforeCommands",
                          "EncodingSettingsChanged page",
                          "TempFolderChanged page",
                          "ThemeChanged page Dark,true",
                          "StatusText page Encoding,true",
                          "WaitEnd page",
                          "WaitBegin page Please wait",
                          "ScanSubfoldersChanged page",
                      }));
}

TEST_F(EventHub, AHandlerMayReplaceItsOwnSlotAndFireAnother)
{
    QObject sender;
    sender.setObjectName("window");
    int calls = 0;
    GlobalEvents().OnWaitEnd = [&](QObject* s) {
        GlobalEvents().OnWaitEnd = nullptr;
        ++calls;
        FireStatusText(s, "done", false);
    };
    GlobalEvents().OnStatusText = [this](QObject* s, QString t, bool v) {
        Record("StatusText", s, {t, Flag(v)});
    };
    FireWaitEnd(&sender);
    FireWaitEnd(&sender);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(calls_, QStringList({"StatusText window done,false"}));
}
