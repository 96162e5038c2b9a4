#pragma once

#include <QByteArray>
#include <QString>

#include <functional>

// One asynchronous HTTP GET on the main thread. Redirects are not followed (the caller sees the 3xx
// status), the transfer has a time-out and the body a size cap, so a remote server can neither hold a
// request for ever nor fill the memory.
namespace plat {

struct HttpGetRequest {
    QString Url;
    QString Referer;
    QString UserAgent;
    QString Proxy;     // host; empty: no proxy at all
    QString ProxyPort; // anything but 1..65535 counts as 80
    int TimeoutMs = 30000;
    qint64 BodyCap = 64 * 1024;
};

struct HttpGetResult {
    int StatusCode = 0; // 0 when no HTTP answer came
    int Error = 0;      // QNetworkReply's error number; 0 for none
    bool TooLarge = false;
    QByteArray Body;
    QString ProxyInfo; // "[" + proxy + ":" + port + "]"

    bool Succeeded() const { return Error == 0 && !TooLarge && StatusCode == 200; }
};

QString ProxyInfoOf(const QString& proxy, const QString& proxyPort);

// Starts the request and returns at once; done runs exactly once, later, from the event loop.
void HttpGet(const HttpGetRequest& request, std::function<void(const HttpGetResult&)> done);

} // namespace plat
