#include "platform/url_opener.h"

#include "platform/paths.h"

#include <QDesktopServices>
#include <QFileInfo>

namespace plat {

namespace {

bool insideDocs(const QString& fileName)
{
    const QString docs = QFileInfo(UrlOpener::DocsFolder()).canonicalFilePath();
    const QString file = QFileInfo(fileName).canonicalFilePath();
    return !docs.isEmpty() && !file.isEmpty() && file.startsWith(docs + u'/') && QFileInfo(file).isFile();
}

} // namespace

QString UrlOpener::DocsFolder()
{
    return ProgramFolder() + QStringLiteral("Docs/");
}

QUrl UrlOpener::ToUrl(const QString& link)
{
    return link.startsWith(u'/') ? QUrl::fromLocalFile(link) : QUrl(link, QUrl::StrictMode);
}

bool UrlOpener::IsAllowed(const QUrl& url)
{
    if (!url.isValid())
        return false;
    const QString scheme = url.scheme().toLower();
    if (scheme == u"http" || scheme == u"https" || scheme == u"ftp")
        return !url.host().isEmpty();
    if (scheme == u"mailto")
        return !url.path().isEmpty() || url.hasQuery();
    return scheme == u"file" && url.isLocalFile() && url.host().isEmpty() && insideDocs(url.toLocalFile());
}

bool UrlOpener::Open(const QString& link)
{
    const QUrl url = ToUrl(link);
    return IsAllowed(url) && QDesktopServices::openUrl(url);
}

} // namespace plat
