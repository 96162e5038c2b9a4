#include "platform/messages.h"
#include "tests/support/patience.h"

#include <QPushButton>
#include <QTest>
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

TEST(Messages, APumpRunsTimersButLeavesClicksAndCloseRequestsForTheEventLoop)
{
    QPushButton button("Convert");
    button.show();
    QWindow* window = button.windowHandle();
    ASSERT_TRUE(window && QTest::qWaitForWindowExposed(window, PatienceLeft())) << "the button never showed";
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
    EXPECT_TRUE(Reaches([&] { return clicks == 1 && !button.isVisible(); }, "the click and the close"));
}
