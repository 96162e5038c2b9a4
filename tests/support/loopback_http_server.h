#pragma once

#include <QHostAddress>
#include <QMap>
#include <QStringList>
#include <QTcpServer>
#include <QTcpSocket>

// A web server on 127.0.0.1 with canned answers per path; unknown paths get 404. An answer can also
// never come, to hold a request open.
class LoopbackHttpServer : public QObject {
public:
    struct Answer {
        int Status = 200;
        QByteArray Body;
        bool Never = false;
    };

    LoopbackHttpServer()
    {
        server_.listen(QHostAddress::LocalHost);
        connect(&server_, &QTcpServer::newConnection, this, [this] {
            while (QTcpSocket* socket = server_.nextPendingConnection())
                connect(socket, &QTcpSocket::readyRead, this, [this, socket] { serve(socket); });
        });
    }

    void SetAnswer(const QString& path, const Answer& answer) { answers_[path] = answer; }
    QString Url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1%2").arg(server_.serverPort()).arg(path);
    }
    // The paths asked for, in order.
    const QStringList& Requests() const { return requests_; }

    // An address where nothing listens: connecting to it is refused.
    static QString RefusedUrl()
    {
        QTcpServer probe;
        probe.listen(QHostAddress::LocalHost);
        return QStringLiteral("http://127.0.0.1:%1/version.txt").arg(probe.serverPort());
    }

private:
    void serve(QTcpSocket* socket)
    {
        const qsizetype headEnd = socket->peek(1 << 16).indexOf("\r\n\r\n");
        if (headEnd < 0)
            return;
        const QByteArray head = socket->read(headEnd + 4);
        requests_.append(QString::fromLatin1(head.split(' ').value(1)));
        const Answer answer = answers_.value(requests_.last(), Answer{404, "not here", false});
        if (answer.Never)
            return;
        socket->write("HTTP/1.1 " + QByteArray::number(answer.Status) + " Canned\r\nContent-Length: " +
                      QByteArray::number(answer.Body.size()) + "\r\nConnection: close\r\n\r\n" + answer.Body);
        socket->disconnectFromHost();
    }

    QTcpServer server_;
    QMap<QString, Answer> answers_;
    QStringList requests_;
};
