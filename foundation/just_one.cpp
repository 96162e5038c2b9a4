#include "foundation/just_one.h"

#include "platform/instance_lock.h"

TXJustOne::TXJustOne(QObject* parent) : QObject(parent) {}

TXJustOne::~TXJustOne() = default;

bool TXJustOne::Loaded(const QString& title)
{
    auto lock = std::make_unique<plat::InstanceLock>(title);
    if (lock->TryAcquire() == plat::InstanceLock::Result::Acquired) {
        lock_ = std::move(lock);
        server_ = std::make_unique<plat::ActivationServer>(title, [this] { Q_EMIT ActivationRequested(); });
        return true;
    }
    if (AlreadyExist)
        AlreadyExist(this);
    if (SwitchToPrevious)
        plat::RequestActivation(title);
    return false;
}
