#pragma once

#include <QEvent>
#include <QObject>
#include <QString>

#include <cstdint>
#include <functional>
#include <map>

// Registered messages between threads and objects, hidden message windows, and the message pump.
namespace plat {

// The same name always gives the same event type; different names give different types.
QEvent::Type RegisterWindowMessage(const QString& name);

// A registered message with its two parameters.
class PostedMessage : public QEvent {
public:
    PostedMessage(QEvent::Type type, std::int64_t wParam, std::int64_t lParam)
        : QEvent(type), WParam(wParam), LParam(lParam)
    {
    }
    const std::int64_t WParam;
    const std::int64_t LParam;
};

// A receiver of registered messages on the main thread: the hidden window of its owner.
class MessageWindow : public QObject {
public:
    using Handler = std::function<void(const PostedMessage&)>;

    explicit MessageWindow(QObject* parent = nullptr);
    void SetHandler(QEvent::Type type, Handler handler);

protected:
    bool event(QEvent* event) override;

private:
    std::map<int, Handler> handlers_;
};

// Posts a message from any thread; it is delivered on the receiver's thread, or dropped with the receiver.
void Post(QObject* receiver, QEvent::Type type, std::int64_t wParam = 0, std::int64_t lParam = 0);

// Queues a call to the thread of context (normally the main thread); it is dropped when context is gone.
void RunOnMain(QObject* context, std::function<void()> call);

// Delivers the events waiting on the calling thread (posted messages, queued calls, timers, painting),
// as the long steps of the main thread need; user input waits for the event loop.
void PumpEvents();

} // namespace plat
