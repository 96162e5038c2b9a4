#include "foundation/useful_string.h"

QString FormatList(const QString& format, const QStringList& arguments)
{
    QString result;
    result.reserve(format.size());
    qsizetype next = 0;
    for (qsizetype i = 0; i < format.size(); ++i) {
        const bool marker = format[i] == u'%' && i + 1 < format.size();
        if (marker && format[i + 1] == u'%') {
            result += u'%';
            ++i;
        } else if (marker && format[i + 1] == u's' && next < arguments.size()) {
            result += arguments[next++];
            ++i;
        } else {
            result += format[i];
        }
    }
    return result;
}
