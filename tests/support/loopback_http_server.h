#pragma once

#include <QByteArray>
#include <QList>
#include <QMap>
#include <QObject>
#include <QString>
#include <QStringList>

class QTcpServer;
class QTcpSocket;

// A web server on 127.0.0.1 with canned answers per path; unknown paths get 404. An answer can also
// never come, to hold a request open.
class LoopbackHttpServer : public QObject {
public:
    struct Answer {
        int Status = 200;
        QByteArray Body;
        bool Never = false;
    };

    LoopbackHttpServer();
    ~LoopbackHttpServer() override;

    void SetAnswer(const QString& path, const Answer& answer) { answers_[path] = answer; }
    QString Url(const QString& path) const;
    // Base address ending with "/".
    QString BaseUrl() const { return Url(QStringLiteral("/")); }
    // The paths asked for, in order, and the request heads (header lines) in the same order.
    const QStringList& Requests() const { return requests_; }
    const QList<QByteArray>& Heads() const { return heads_; }

    // An address where nothing listens: connecting to it is refused.
    static QString RefusedUrl();

private:
    void accept();
    void serve(QTcpSocket* socket);

    QTcpServer* server_;
    QMap<QString, Answer> answers_;
    QStringList requests_;
    QList<QByteArray> heads_;
};
