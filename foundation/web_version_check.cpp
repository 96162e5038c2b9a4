#include "foundation/web_version_check.h"

#include "foundation/program_globals.h"
#include "platform/http_get.h"
#include "platform/ini_file.h"

#include <QPointer>

#include <map>

namespace {

QString startupText(const plat::IniText& ini, const char* key)
{
    return ini.ReadString(ProgramName, QString::fromLatin1(key), QString()).trimmed();
}

} // namespace

TWebAddresses LoadWebAddresses()
{
    const plat::IniText ini = plat::IniText::Load(GlobalSettingsFileName()).value_or(plat::IniText());
    return {startupText(ini, "VersionCheckUrl"), startupText(ini, "VersionCheckAlternateUrl"),
            startupText(ini, "UsageHitUrl"), startupText(ini, "UsageHitReferrer"),
            startupText(ini, "WebSiteUrl")};
}

QString GetStatusCodeMessage(int code)
{
    static const std::map<int, QString> texts{
        {200, QStringLiteral("Success: OK")},
        {201, QStringLiteral("Success: Created")},
        {202, QStringLiteral("Success: Accepted")},
        {204, QStringLiteral("Success: No content")},
        {301, QStringLiteral("Redirection: Moved permanently")},
        {302, QStringLiteral("Redirection: Moved temporarily")},
        {304, QStringLiteral("Redirection: Not modified")},
        {400, QStringLiteral("Client Error: Bad request")},
        {401, QStringLiteral("Client Error: Unauthorized")},
        {403, QStringLiteral("Client Error: Forbidden")},
        {404, QStringLiteral("Client Error: Not found")},
        {500, QStringLiteral("Server Error: Internal server error")},
        {501, QStringLiteral("Server Error: Not implemented")},
        {502, QStringLiteral("Server Error: Bad gateway")},
        {503, QStringLiteral("Server Error: Service unavailable")},
    };
    const auto found = texts.find(code);
    return found == texts.end() ? QStringLiteral("Unknown Status Code") : found->second;
}

QStringList SplitAnswerLines(const QByteArray& body)
{
    QString text = QString::fromUtf8(body);
    text.replace(QStringLiteral("\r\n"), QStringLiteral("\n")).replace(u'\r', u'\n');
    if (text.endsWith(u'\n'))
        text.chop(1);
    return text.isEmpty() ? QStringList() : text.split(u'\n');
}

TVersionAnswer ParseVersionAnswer(const QStringList& lines)
{
    TVersionAnswer answer;
    if (lines.isEmpty() || !lines.first().toLower().contains(QStringLiteral("tamsel.works")))
        return answer;
    const QString versionKey = QStringLiteral("Version=");
    for (const QString& raw : lines) {
        const QString line = raw.trimmed();
        if (line.startsWith(versionKey, Qt::CaseInsensitive))
            answer.Version = line.mid(versionKey.size()).trimmed();
        else if (!line.isEmpty()) // the document is plain text: nothing to decipher
            answer.Doc.append(line);
    }
    return answer;
}

QString TWebRequester::ProxyInfo() const
{
    return plat::ProxyInfoOf(Proxy, ProxyPort);
}

void TWebRequester::Get(const QString& url, const QString& reference,
                        std::function<void(const plat::HttpGetResult&)> done)
{
    plat::HttpGetRequest request;
    request.Url = url;
    request.Referer = reference;
    request.UserAgent = ProgramName + u'/' + GetProgramVersion();
    request.Proxy = Proxy;
    request.ProxyPort = ProxyPort;
    request.TimeoutMs = TimeoutMs;
    plat::HttpGet(request, std::move(done));
}

void TWebRequester::SendLine(const QString& line)
{
    if (OnNewLine && !Silent)
        OnNewLine(this, line);
}

void TWebRequester::SendDoneLines(const plat::HttpGetResult& result, const QString& url,
                                  const QString& reference, const QString& what)
{
    SendLine(QStringLiteral("Finished"));
    SendLine(QStringLiteral(" StatusCode = ") + QString::number(result.StatusCode) + u' ' +
             GetStatusCodeMessage(result.StatusCode));
    SendLine(u' ' + url);
    SendLine(u' ' + reference);
    SendLine(QStringLiteral(" Error = ") + QString::number(result.Error));
    SendLine(QString());
    SendLine(what + (result.Succeeded() ? QStringLiteral(" Success") : QStringLiteral(" Failure")));
    SendLine(QString());
}

void TWebVersionCheck::Check(const QString& url, const QString& reference, bool showFailure,
                             bool tryAlternate)
{
    Version.clear();
    if (url.isEmpty()) {
        if (OnCheckDone)
            OnCheckDone(this, false, showFailure, tryAlternate, url, ProxyInfo(), EmptyUrlError, QString(),
                        nullptr);
        return;
    }
    QPointer<TWebVersionCheck> self(this);
    Get(url, reference, [self, url, reference, showFailure, tryAlternate](const plat::HttpGetResult& result) {
        if (self)
            self->requestDone(result, url, reference, showFailure, tryAlternate);
    });
}

void TWebVersionCheck::requestDone(const plat::HttpGetResult& result, const QString& url,
                                   const QString& reference, bool showFailure, bool tryAlternate)
{
    SendDoneLines(result, url, reference, QStringLiteral("Request"));
    const QStringList lines = SplitAnswerLines(result.Body);
    SendLine(QString(30, u'-'));
    for (const QString& line : lines)
        SendLine(line);
    const TVersionAnswer answer = ParseVersionAnswer(lines);
    Version = answer.Version;
    if (OnCheckDone)
        OnCheckDone(this, result.Succeeded(), showFailure, tryAlternate, url, result.ProxyInfo,
                    GetStatusCodeMessage(result.StatusCode), Version, &answer.Doc);
}
