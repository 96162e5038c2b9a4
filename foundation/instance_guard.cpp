#include "foundation/instance_guard.h"

#include "foundation/program_globals.h"
#include "platform/dialogs.h"
#include "platform/instance_lock.h"

#include <memory>

namespace {

struct GuardLocks {
    std::unique_ptr<plat::InstanceLock> Sibling;
    std::unique_ptr<plat::InstanceLock> Program;
};

GuardLocks& guardLocks()
{
    static GuardLocks locks;
    return locks;
}

std::unique_ptr<plat::InstanceLock> acquired(const QString& name)
{
    auto lock = std::make_unique<plat::InstanceLock>(name);
    return lock->TryAcquire() == plat::InstanceLock::Result::Acquired ? std::move(lock) : nullptr;
}

} // namespace

bool StartInstanceGuard()
{
    GuardLocks& locks = guardLocks();
    locks.Sibling = acquired(QStringLiteral("_Brindlow_"));
    if (!locks.Sibling) {
        plat::RequestActivation(ProgramName);
        plat::MessageDlg(InstanceGuardMessage, plat::TMsgDlgType::mtWarning, plat::mbOK);
        return false;
    }
    locks.Program = acquired(QStringLiteral("_Korvane_"));
    if (!locks.Program) {
        plat::RequestActivation(ProgramName);
        locks.Sibling.reset();
        return false;
    }
    return true;
}

void StopInstanceGuard()
{
    GuardLocks& locks = guardLocks();
    if (!locks.Sibling || !locks.Program)
        return;
    locks.Program.reset();
    locks.Sibling.reset();
}
