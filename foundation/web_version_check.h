#pragma once

#include <QObject>
#include <QString>
#include <QStringList>

#include <functional>

namespace plat {
struct HttpGetResult;
}

// The addresses of the version document, its alternate, the usage hit, the hit's referrer and the web
// site, read from the start-up settings. All are empty unless configured, and an empty address sends
// nothing anywhere.
struct TWebAddresses {
    QString VersionUrl;
    QString AlternateUrl;
    QString HitBaseUrl;
    QString HitReferrer;
    QString SiteBaseUrl;
};
TWebAddresses LoadWebAddresses();

using TNewLineEvent = std::function<void(QObject* Sender, const QString& Line)>;
// TryAlternate travels with its request like ShowFailure, so overlapping checks keep their own retry.
using TWebVersionCheckEvent =
    std::function<void(QObject* Sender, bool Success, bool ShowFailure, bool TryAlternate, const QString& Url,
                       const QString& ProxyInfo, const QString& StatusCodeMessage, const QString& Version,
                       const QStringList* doc)>;

QString GetStatusCodeMessage(int code);
// The status text of a request that was not sent because its address was empty.
inline const QString EmptyUrlError = QStringLiteral("Empty Url Error");
// A carriage return, a line feed or both together end a line.
QStringList SplitAnswerLines(const QByteArray& body);

struct TVersionAnswer {
    QString Version;
    QStringList Doc;
};
// Without the marker in the first line nothing is read: no version and no document lines.
TVersionAnswer ParseVersionAnswer(const QStringList& lines);

// What the two web components share: the proxy, the progress lines and one request per call.
class TWebRequester : public QObject {
    Q_OBJECT

public:
    explicit TWebRequester(QObject* parent = nullptr) : QObject(parent) {}

    QString Proxy;
    QString ProxyPort = QStringLiteral("80");
    bool Silent = true;
    // A server that does not answer fails the request after this long.
    int TimeoutMs = 30000;
    TNewLineEvent OnNewLine;

protected:
    QString ProxyInfo() const;
    void Get(const QString& url, const QString& reference,
             std::function<void(const plat::HttpGetResult&)> done);
    void SendLine(const QString& line);
    // The lines that report a finished request when the component is not silent.
    void SendDoneLines(const plat::HttpGetResult& result, const QString& url, const QString& reference,
                       const QString& what);
};

// Fetches the version document and hands back the newest version and the document's other lines.
class TWebVersionCheck : public TWebRequester {
    Q_OBJECT

public:
    explicit TWebVersionCheck(QObject* parent = nullptr) : TWebRequester(parent) {}

    // The version found by the check that finished last.
    QString Version;
    TWebVersionCheckEvent OnCheckDone;

    // Returns at once; OnCheckDone tells the outcome (at once for an empty url, which sends nothing).
    void Check(const QString& url, const QString& reference, bool showFailure, bool tryAlternate = false);

private:
    void requestDone(const plat::HttpGetResult& result, const QString& url, const QString& reference,
                     bool showFailure, bool tryAlternate);
};
