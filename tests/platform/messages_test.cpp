#include "platform/messages.h"
#include "tests/support/patience.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

#include <gtest/gtest.h>

using namespace plat;

TEST(Messages, OneNameGivesOneTypeAndAWindowHandlesOnlyItsOwn)
{
    const auto done = RegisterWindowMessage("WM_TEST_DONE_/usr/bin/korvane");
    EXPECT_EQ(done, RegisterWindowMessage("WM_TEST_DONE_/usr/bin/korvane"));
    EXPECT_NE(done, RegisterWindowMessage("WM_TEST_DONE_/opt/korvane"));
    EXPECT_GE(static_cast<int>(done), static_cast<int>(QEvent::User));

    MessageWindow window;
    int handled = 0;
    window.SetHandler(RegisterWindowMessage("WM_TEST_A_"), [&](const PostedMessage&) { ++handled; });
    Post(&window, RegisterWindowMessage("WM_TEST_B_"));
    Post(&window, RegisterWindowMessage("WM_TEST_A_"));
    PumpEvents();
    EXPECT_EQ(handled, 1);
}

TEST(Messages, MessagePostedFromAWorkerArrivesOnTheMainThreadWithItsParameters)
{
    const auto type = RegisterWindowMessage("WM_TEST_WORKER_");
    MessageWindow window;
    QThread* deliveredOn = nullptr;
    std::int64_t wParam = 0, lParam = 0;
    window.SetHandler(type, [&](const PostedMessage& message) {
        deliveredOn = QThread::currentThread();
        wParam = message.WParam;
        lParam = message.LParam;
    });
    std::thread worker([&] { Post(&window, type, 7, -5'000'000'000LL); });
    worker.join();
    EXPECT_EQ(deliveredOn, nullptr) << "nothing may run before the main thread pumps";
    EXPECT_TRUE(Reaches([&] { return deliveredOn != nullptr; }, "the message's delivery"));
    EXPECT_EQ(deliveredOn, QCoreApplication::instance()->thread());
    EXPECT_EQ(wParam, 7);
    EXPECT_EQ(lParam, -5'000'000'000LL);
}

TEST(Messages, QueuedCallRunsFromTheEventLoopUnlessItsContextIsGone)
{
    bool ran = false;
    auto* context = new QObject;
    RunOnMain(context, [&] { ran = true; });
    delete context;
    PumpEvents();
    EXPECT_FALSE(ran);

    QObject alive;
    RunOnMain(&alive, [&] { ran = true; });
    EXPECT_FALSE(ran) << "a queued call never runs inside the caller";
    PumpEvents();
    EXPECT_TRUE(ran);
}
