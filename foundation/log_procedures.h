#pragma once

#include <QString>

// Levelled lines for the log page's view; they do nothing while there is no view.
void LogText(const QString& text);
void LogDebug(const QString& text);
void LogWarning(const QString& text);
void LogInformation(const QString& text);
void LogError(const QString& text);
