#include "platform/instance_lock.h"

#include <QDir>
#include <QFile>
#include <QLocalServer>
#include <QLocalSocket>
#include <QStandardPaths>

#include <cerrno>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

namespace plat {

namespace {

const QByteArray activateRequest = QByteArrayLiteral("activate\n");
const QByteArray activateAnswer = QByteArrayLiteral("ok\n");

QString socketName(const QString& name)
{
    return InstanceLock::FileName(name, QStringLiteral(".activate"));
}

} // namespace

InstanceLock::InstanceLock(const QString& name) : name_(name) {}

InstanceLock::~InstanceLock()
{
    Release();
}

QString InstanceLock::FileName(const QString& name, const QString& suffix)
{
    // Qt creates a private runtime folder when the session has none.
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (folder.isEmpty() || !QDir().mkpath(folder))
        return QString();
    return folder + u'/' + name + suffix;
}

InstanceLock::Result InstanceLock::TryAcquire()
{
    if (IsHeld())
        return Result::Acquired;
    const QString fileName = FileName(name_, QStringLiteral(".lock"));
    if (fileName.isEmpty())
        return Result::Failed;
    const QByteArray path = QFile::encodeName(fileName);
    const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (fd < 0)
        return Result::Failed;
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        return error == EWOULDBLOCK ? Result::HeldElsewhere : Result::Failed;
    }
    fd_ = fd;
    return Result::Acquired;
}

void InstanceLock::Release()
{
    if (fd_ < 0)
        return;
    ::close(fd_); // closing the last descriptor drops the flock
    fd_ = -1;
}

ActivationServer::ActivationServer(const QString& name, std::function<void()> onActivate, QObject* parent)
    : QObject(parent), server_(new QLocalServer(this)), onActivate_(std::move(onActivate))
{
    const QString path = socketName(name);
    if (path.isEmpty())
        return;
    QLocalServer::removeServer(path);
    server_->setSocketOptions(QLocalServer::UserAccessOption);
    server_->listen(path);
    connect(server_, &QLocalServer::newConnection, this, &ActivationServer::readRequests);
}

bool ActivationServer::IsListening() const
{
    return server_->isListening();
}

void ActivationServer::readRequests()
{
    while (QLocalSocket* socket = server_->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] { serve(socket); });
        serve(socket); // the request may have arrived with the connection
    }
}

void ActivationServer::serve(QLocalSocket* socket)
{
    if (!socket->canReadLine())
        return;
    if (socket->readLine(64) == activateRequest) {
        socket->write(activateAnswer);
        socket->flush();
        if (onActivate_)
            onActivate_();
    }
    socket->disconnectFromServer();
}

bool RequestActivation(const QString& name, int timeoutMs)
{
    QLocalSocket socket;
    socket.connectToServer(socketName(name));
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(activateRequest);
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine())
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    return socket.readLine(64) == activateAnswer;
}

} // namespace plat
