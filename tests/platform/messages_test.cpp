#include "platform/messages.h"

#include <QCoreApplication>
#include <QPushButton>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <QWindow>

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

// Qt's platform plugin interface (its header is not installed here): the queue a real click or close
// request waits in before the event loop takes it.
class Q_GUI_EXPORT QWindowSystemInterface {
public:
    struct AsynchronousDelivery {};
    template <typename Delivery>
    static bool handleMouseEvent(QWindow* window, const QPointF& local, const QPointF& global,
                                 Qt::MouseButtons state, Qt::MouseButton button, QEvent::Type type,
                                 Qt::KeyboardModifiers mods, Qt::MouseEventSource source);
    template <typename Delivery> static bool handleCloseEvent(QWindow* window);
};

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
    EXPECT_TRUE(QTest::qWaitFor([&] { return deliveredOn != nullptr; }, 2000));
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

TEST(Messages, APumpRunsTimersButLeavesClicksAndCloseRequestsForTheEventLoop)
{
    QPushButton button("Convert");
    button.show();
    QWindow* window = button.windowHandle();
    ASSERT_TRUE(window && QTest::qWaitForWindowExposed(window));
    int clicks = 0;
    QObject::connect(&button, &QPushButton::clicked, [&] { ++clicks; });
    bool timerFired = false;
    QTimer::singleShot(1, [&] { timerFired = true; }); // due before the pump
    std::this_thread::sleep_for(std::chrono::milliseconds(20));

    using Input = QWindowSystemInterface;
    const QPointF centre = QRectF(button.rect()).center();
    for (const auto& [type, buttons] : {std::pair{QEvent::MouseButtonPress, Qt::MouseButtons(Qt::LeftButton)},
                                        {QEvent::MouseButtonRelease, Qt::MouseButtons()}})
        Input::handleMouseEvent<Input::AsynchronousDelivery>(window, centre, window->mapToGlobal(centre),
                                                             buttons, Qt::LeftButton, type, Qt::NoModifier,
                                                             Qt::MouseEventNotSynthesized);
    Input::handleCloseEvent<Input::AsynchronousDelivery>(window);
    PumpEvents();
    EXPECT_TRUE(timerFired);
    EXPECT_EQ(clicks, 0);
    EXPECT_TRUE(button.isVisible());
    EXPECT_TRUE(QTest::qWaitFor([&] { return clicks == 1 && !button.isVisible(); }, 2000));
}
