#include "tests/support/url_recorder.h"

#include <QDesktopServices>

namespace {

constexpr const char* schemes[] = {"http", "https", "ftp", "mailto", "file", "javascript"};

} // namespace

UrlRecorder::UrlRecorder()
{
    for (const char* scheme : schemes)
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), this, "open");
}

UrlRecorder::~UrlRecorder()
{
    for (const char* scheme : schemes)
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}
