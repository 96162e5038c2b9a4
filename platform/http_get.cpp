#include "platform/http_get.h"

#include <QCoreApplication>
#include <QNetworkAccessManager>
#include <QNetworkProxy>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QUrl>

#include <utility>

namespace plat {

namespace {

quint16 portOf(const QString& text)
{
    bool ok = false;
    const int port = text.trimmed().toInt(&ok);
    return ok && port >= 1 && port <= 65535 ? quint16(port) : quint16(80);
}

QNetworkProxy proxyOf(const HttpGetRequest& request)
{
    if (request.Proxy.trimmed().isEmpty())
        return QNetworkProxy(QNetworkProxy::NoProxy);
    return QNetworkProxy(QNetworkProxy::HttpProxy, request.Proxy.trimmed(), portOf(request.ProxyPort));
}

// Only web addresses are fetched: the manager would read file: and other URLs as well. Anything else
// becomes an empty URL, which the manager fails like any other bad address.
QUrl webUrl(const QString& text)
{
    const QUrl url(text, QUrl::StrictMode);
    const QString scheme = url.scheme().toLower();
    return scheme == QStringLiteral("http") || scheme == QStringLiteral("https") ? url : QUrl();
}

QNetworkRequest networkRequestOf(const HttpGetRequest& request)
{
    QNetworkRequest network(webUrl(request.Url));
    network.setAttribute(QNetworkRequest::RedirectPolicyAttribute, QNetworkRequest::ManualRedirectPolicy);
    network.setTransferTimeout(request.TimeoutMs);
    network.setRawHeader("Accept", "*/*");
    if (!request.Referer.isEmpty())
        network.setRawHeader("Referer", request.Referer.toUtf8());
    if (!request.UserAgent.isEmpty())
        network.setHeader(QNetworkRequest::UserAgentHeader, request.UserAgent);
    return network;
}

// Owns the manager and the reply of one request and deletes itself once done has run.
class PendingGet : public QObject {
public:
    PendingGet(const HttpGetRequest& request, std::function<void(const HttpGetResult&)> done, QObject* owner)
        : QObject(owner), manager_(new QNetworkAccessManager(this)), cap_(request.BodyCap),
          done_(std::move(done))
    {
        result_.ProxyInfo = ProxyInfoOf(request.Proxy, request.ProxyPort);
        manager_->setProxy(proxyOf(request));
        reply_ = manager_->get(networkRequestOf(request));
        connect(reply_, &QIODevice::readyRead, this, &PendingGet::readSome);
        connect(reply_, &QNetworkReply::finished, this, &PendingGet::finish);
    }

private:
    void readSome()
    {
        result_.Body += reply_->read(cap_ + 1 - result_.Body.size());
        if (result_.Body.size() > cap_ && !result_.TooLarge) {
            result_.TooLarge = true;
            result_.Body.truncate(cap_);
            reply_->abort();
        }
    }
    void finish()
    {
        if (!result_.TooLarge && reply_->isOpen())
            readSome();
        result_.StatusCode = reply_->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        result_.Error = int(reply_->error());
        if (done_)
            std::exchange(done_, nullptr)(result_);
        deleteLater();
    }

    QNetworkAccessManager* manager_;
    QNetworkReply* reply_ = nullptr;
    qint64 cap_;
    HttpGetResult result_;
    std::function<void(const HttpGetResult&)> done_;
};

} // namespace

QString ProxyInfoOf(const QString& proxy, const QString& proxyPort)
{
    return u'[' + proxy + u':' + proxyPort + u']';
}

void HttpGet(const HttpGetRequest& request, std::function<void(const HttpGetResult&)> done)
{
    // The application owns it until it has delivered its result and deletes itself.
    new PendingGet(request, std::move(done), QCoreApplication::instance());
}

} // namespace plat
