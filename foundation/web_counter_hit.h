#pragma once

#include "foundation/web_version_check.h"

using THitCountEvent = std::function<void(QObject* Sender, bool Success, const QString& Url,
                                          const QString& ProxyInfo, const QString& StatusCodeMessage)>;

// Sends one usage hit and only tells whether it arrived.
class TWebCounterHit : public TWebRequester {
    Q_OBJECT

public:
    explicit TWebCounterHit(QObject* parent = nullptr) : TWebRequester(parent) {}

    THitCountEvent OnHitCountDone;

    // Returns at once; OnHitCountDone tells the outcome (at once for an empty url, which sends nothing).
    void Hit(const QString& url, const QString& reference);

private:
    void requestDone(const plat::HttpGetResult& result, const QString& url, const QString& reference);
};
