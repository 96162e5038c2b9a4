#include "foundation/debug_file.h"

#include "foundation/useful_string.h"
#include "platform/paths.h"

#include <QDateTime>
#include <QFile>
#include <QLocale>

namespace {

bool debugSwitch = false;
// Set by a successful opening in this run, so later lines are appended to the run's own file.
bool openedBefore = false;

QString StampedLine(const QString& text)
{
    // Blanks and control characters alone give an empty line.
    if (TrimBlanks(text).isEmpty())
        return QString();
    // One reading of the clock: a date and a time read apart would stamp a line near midnight a day off.
    const QDateTime now = QDateTime::currentDateTime();
    const QLocale locale = QLocale::system();
    return locale.toString(now.date(), QLocale::ShortFormat) + u' ' +
           locale.toString(now.time(), QLocale::LongFormat) + QStringLiteral(" - ") + text;
}

} // namespace

bool DebugFileSwitch()
{
    return debugSwitch;
}

void SetDebugFileSwitch(bool on)
{
    debugSwitch = on;
}

void DebugWrite(const QString& text)
{
    if (!debugSwitch)
        return;
    QFile file(plat::ProgramFolder() + QStringLiteral("debug.txt"));
    const bool append = openedBefore && file.exists();
    openedBefore = file.open(QIODevice::WriteOnly | (append ? QIODevice::Append : QIODevice::Truncate));
    if (!openedBefore)
        return;
    file.write(StampedLine(text).toUtf8() + '\n');
    file.flush();
}
