#include "foundation/global_events.h"
#include "tests/support/qt_printers.h"

#include <QObject>
#include <QStringList>

#include <gtest/gtest.h>

TEST(EventHub, EmptySlotsAreSkippedAndAHandlerMayReplaceItsOwnSlotAndFireAnother)
{
    GlobalEvents() = TGlobalEvents();
    QObject sender;
    FireThemeChanged(&sender, "Dark", true); // no handler: skipped

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
