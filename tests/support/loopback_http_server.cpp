#include "tests/support/loopback_http_server.h"

#include <QHostAddress>
#include <QTcpServer>
#include <QTcpSocket>

LoopbackHttpServer::LoopbackHttpServer() : server_(new QTcpServer(this))
{
    server_->listen(QHostAddress::LocalHost);
    connect(server_, &QTcpServer::newConnection, this, &LoopbackHttpServer::accept);
}

LoopbackHttpServer::~LoopbackHttpServer() = default;

QString LoopbackHttpServer::Url(const QString& path) const
{
    return QStringLiteral("http://127.0.0.1:%1%2").arg(server_->serverPort()).arg(path);
}

QString LoopbackHttpServer::RefusedUrl()
{
    QTcpServer probe;
    probe.listen(QHostAddress::LocalHost);
    const quint16 port = probe.serverPort();
    probe.close();
    return QStringLiteral("http://127.0.0.1:%1/version.txt").arg(port);
}

void LoopbackHttpServer::accept()
{
    while (QTcpSocket* socket = server_->nextPendingConnection()) {
        socket->setParent(this);
        connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
    }
}

void LoopbackHttpServer::serve(QTcpSocket* socket)
{
    const QByteArray seen = socket->peek(1 << 16);
    const qsizetype headEnd = seen.indexOf("\r\n\r\n");
    if (headEnd < 0)
        return;
    const QByteArray head = socket->read(headEnd + 4);
    const QString path = QString::fromLatin1(head.split(' ').value(1));
    requests_.append(path);
    heads_.append(head);
    const Answer answer = answers_.value(path, Answer{404, QByteArrayLiteral("not here"), false});
    if (answer.Never)
        return;
    socket->write("HTTP/1.1 " + QByteArray::number(answer.Status) + " Canned\r\nContent-Length: " +
                  QByteArray::number(answer.Body.size()) + "\r\nConnection: close\r\n\r\n" + answer.Body);
    socket->disconnectFromHost();
}
