#include "foundation/global_events.h"
#include "tests/support/qt_printers.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

TEST(EventHub, EmptySlotsAreSkippedAndAHandlerMayReplaceItsOwnSlotAndFireAnother)
{
    GlobalEvents() = TGlobalEvents();
    QObject sender;
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

    int calls = 0;
    QStringList texts;
    GlobalEvents().OnWaitEnd = [&](QObject* s) {
        GlobalEvents().OnWaitEnd = nullptr;
        ++calls;
        FireStatusText(s, "done", false);
    };
    GlobalEvents().OnStatusText = [&](QObject* s, QString text, bool visible) {
        texts << QString("%1 %2 %3").arg(s == &sender).arg(text).arg(visible);
    };
    FireWaitEnd(&sender);
    FireWaitEnd(&sender);
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(texts, QStringList({"1 done 0"}));
    GlobalEvents() = TGlobalEvents();
}
