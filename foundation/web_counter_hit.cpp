#include "foundation/web_counter_hit.h"

#include "platform/http_get.h"

#include <QPointer>

void TWebCounterHit::Hit(const QString& url, const QString& reference)
{
    if (url.isEmpty()) {
        if (OnHitCountDone)
            OnHitCountDone(this, false, url, ProxyInfo(), EmptyUrlError);
        return;
    }
    QPointer<TWebCounterHit> self(this);
    Get(url, reference, [self, url, reference](const plat::HttpGetResult& result) {
        if (self)
            self->requestDone(result, url, reference);
    });
}

void TWebCounterHit::requestDone(const plat::HttpGetResult& result, const QString& url,
                                 const QString& reference)
{
    SendDoneLines(result, url, reference, QStringLiteral("Hit"));
    for (const QString& line : SplitAnswerLines(result.Body))
        SendLine(line);
    SendLine(QString());
    if (OnHitCountDone)
        OnHitCountDone(this, result.Succeeded(), url, result.ProxyInfo,
                       GetStatusCodeMessage(result.StatusCode));
}
