#pragma once

#include <QString>
#include <QUrl>

// The one way the program opens a link: only web, ftp and mail addresses, and the program's own help
// pages (local files inside its Docs folder), so that a link can never start a local program.
namespace plat {

class UrlOpener {
public:
    // A text starting with "/" is a local file; anything else must be a URL with its scheme.
    static QUrl ToUrl(const QString& link);
    static bool IsAllowed(const QUrl& url);
    // Hands an allowed link to the desktop; false when it is refused or the desktop fails.
    static bool Open(const QString& link);
    // <program folder>Docs/
    static QString DocsFolder();
};

} // namespace plat
