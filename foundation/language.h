#pragma once

#include <QString>

// The translation of a user-visible message, keyed by its English text.
QString TranslateMsg(const QString& text);
