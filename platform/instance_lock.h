#pragma once

#include <QObject>
#include <QString>

#include <functional>

class QLocalServer;
class QLocalSocket;

// Named locks across the user's processes, and the channel through which a later copy of the program
// asks the running one to come to the front. Both live in the per-user runtime folder, which no other
// user can write, so nobody else can take a name first.
namespace plat {

// An flock on <runtime folder>/<name>.lock. The kernel drops it when the process ends, however it ends,
// so a crash leaves nothing that blocks the next start; the descriptor is close-on-exec, so child
// programs never carry the lock on after the program is gone.
class InstanceLock {
public:
    enum class Result { Acquired, HeldElsewhere, Failed };

    explicit InstanceLock(const QString& name);
    ~InstanceLock();
    InstanceLock(const InstanceLock&) = delete;
    InstanceLock& operator=(const InstanceLock&) = delete;

    Result TryAcquire();
    bool IsHeld() const { return fd_ >= 0; }
    void Release();

    // <runtime folder>/<name> + suffix; empty when there is no runtime folder.
    static QString FileName(const QString& name, const QString& suffix);

private:
    QString name_;
    int fd_ = -1;
};

// Listens for activation requests under a name. Only the holder of the InstanceLock of that name may
// listen: it removes a socket left by a crashed holder before listening.
class ActivationServer : public QObject {
    Q_OBJECT

public:
    ActivationServer(const QString& name, std::function<void()> onActivate, QObject* parent = nullptr);
    bool IsListening() const;

private:
    void readRequests();
    void serve(QLocalSocket* socket);

    QLocalServer* server_;
    std::function<void()> onActivate_;
};

// Asks the copy listening under the name to come to the front; false when none answered in time.
bool RequestActivation(const QString& name, int timeoutMs = 2000);

} // namespace plat
