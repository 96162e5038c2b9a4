#pragma once

#include "tests/support/temp_world.h"

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Runs the built encoder and multiplexer, and the reference tools, the way the engine does: an argument
// vector, standard output and error merged, lines read as text.
struct ToolRun {
    int exitCode = -1;
    QStringList lines;

    bool HasLineStartingWith(const QString& prefix) const;
    // Index of the first line that contains the text, or -1.
    int IndexOfLineContaining(const QString& text) const;
};

// A file size limit above 0 makes every write past it fail, as on a full disk.
ToolRun RunTool(const QString& program, const QStringList& arguments, qint64 fileSizeLimit = 0);

// The full path of an installed program, or "" when it is missing.
QString InstalledProgram(const QString& name);

// ffprobe's key=value answers for the first stream and the container of a file.
QMap<QString, QString> Probe(const QString& fileName);

// A RIFF WAVE file of a 440 Hz tone with PCM samples of 8 or 16 bits.
QByteArray ToneWav(int sampleRate, int channels, int bitsPerSample, double seconds);

// The four header bytes of the first frame of an MPEG audio file.
QByteArray FirstFrameHeader(const QString& fileName);

// A test world that knows where the built programs are.
class ToolWorld : public TempWorld {
protected:
    static QString ToolameProgram() { return BuiltProgramFolder() + QStringLiteral("TooLame/toolame"); }
    static QString MplexProgram() { return BuiltProgramFolder() + QStringLiteral("Mplex/mplex"); }
};
