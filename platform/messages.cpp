#include "platform/messages.h"

#include <QAbstractEventDispatcher>
#include <QCoreApplication>
#include <QHash>
#include <QMetaObject>
#include <QMutex>

namespace plat {

QEvent::Type RegisterWindowMessage(const QString& name)
{
    static QMutex registryLock;
    static QHash<QString, QEvent::Type> registered;
    const QMutexLocker locker(&registryLock);
    const auto found = registered.constFind(name);
    if (found != registered.constEnd())
        return *found;
    const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    registered.insert(name, type);
    return type;
}

MessageWindow::MessageWindow(QObject* parent) : QObject(parent) {}

void MessageWindow::SetHandler(QEvent::Type type, Handler handler)
{
    handlers_[type] = std::move(handler);
}

bool MessageWindow::event(QEvent* event)
{
    const auto handler = handlers_.find(event->type());
    if (handler == handlers_.end())
        return QObject::event(event);
    if (auto* message = dynamic_cast<PostedMessage*>(event))
        handler->second(*message);
    return true;
}

void Post(QObject* receiver, QEvent::Type type, std::int64_t wParam, std::int64_t lParam)
{
    QCoreApplication::postEvent(receiver, new PostedMessage(type, wParam, lParam));
}

void RunOnMain(QObject* context, std::function<void()> call)
{
    QMetaObject::invokeMethod(context, std::move(call), Qt::QueuedConnection);
}

void PumpEvents()
{
    // A click, key press or close request handled here would run inside the step that pumps; it
    // waits in the window system's queue until the event loop takes it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    // Some event loops look at held input again only when something wakes them.
    if (QAbstractEventDispatcher* loop = QAbstractEventDispatcher::instance())
        loop->wakeUp();
}

} // namespace plat
