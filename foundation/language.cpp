#include "foundation/language.h"

// Until the language files are read, every message stays in English.
QString TranslateMsg(const QString& text)
{
    return text;
}
