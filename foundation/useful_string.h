#pragma once

#include <QString>
#include <QStringList>

// Replaces each "%s" in order by the next argument and "%%" by "%"; everything else stays as written,
// so a translated text can never act as a format of its own.
QString FormatList(const QString& format, const QStringList& arguments);

template <typename... Arguments>
QString Format(const QString& format, const Arguments&... arguments)
{
    return FormatList(format, QStringList{QString(arguments)...});
}
