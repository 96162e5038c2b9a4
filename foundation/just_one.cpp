#include "foundation/just_one.h"

#include "platform/instance_lock.h"

TXJustOne::TXJustOne(QObject* parent) : QObject(parent) {}

TXJustOne::~TXJustOne() = default;

bool TXJustOne::Loaded(QWidget* window, const QString& title)
{
    window_ = window;
    auto lock = std::make_unique<plat::InstanceLock>(title);
    if (lock->TryAcquire() == plat::InstanceLock::Result::Acquired) {
        lock_ = std::move(lock);
        server_ = std::make_unique<plat::ActivationServer>(title, [this] { BringWindowToFront(window_); });
        return true;
    }
    if (AlreadyExist)
        AlreadyExist(this);
    if (SwitchToPrevious)
        plat::RequestActivation(title);
    return false;
}

void BringWindowToFront(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}
