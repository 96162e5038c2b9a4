#include "app/history_info.h"

#include "foundation/program_globals.h"

namespace {

QString releaseHeader(const char* date, const char* version)
{
    return QString::fromLatin1(date) + QStringLiteral(" - ") + ProgramName + QStringLiteral(" v") +
           QString::fromLatin1(version);
}

QStringList buildHistory()
{
    return {
        QStringLiteral("HISTORY"),
        QStringLiteral("~~~~~~"),
        QString(),
        releaseHeader("2026-12-07", "2.0.0"),
        QString(),
        QStringLiteral("   *  First version for Linux, built with Qt 6."),
        QStringLiteral("   *  Converts MP3, MP2, MP1, WMA, Ogg Vorbis and WAV files into:"),
        QStringLiteral(
            "      - MPEG-1 Layer II audio in a program stream for Video CD authoring (\".vcd.mpg\"),"),
        QStringLiteral("      - WAV files with a chosen sampling frequency, channels, sample size and"),
        QStringLiteral("        encoding (PCM or IMA ADPCM)."),
        QStringLiteral("   *  Each file goes through a queue of steps (decoding, WAV conversion, encoding,"),
        QStringLiteral("        multiplexing) with progress, a log and a summary at the end."),
        QStringLiteral("   *  English and French texts."),
        QString(),
    };
}

} // namespace

const QStringList& HistoryInfo()
{
    static const QStringList history = buildHistory();
    return history;
}
