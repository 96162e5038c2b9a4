#pragma once

#include <QByteArray>
#include <QMap>
#include <QString>
#include <QStringList>

// Runs a program the way the engine does: an argument vector, no input, output read as text lines.
struct ToolRun {
    bool Ran = false; // false when the program is missing or did not end in time
    int ExitCode = -1;
    QByteArray Output;
    QStringList Lines;

    bool HasLineStartingWith(const QString& prefix) const;
    // Index of the first line that contains the text, or -1.
    int IndexOfLineContaining(const QString& text) const;
};

struct ToolOptions {
    bool MergeErrors = true;  // standard error into Output, as the engine reads it
    qint64 FileSizeLimit = 0; // above 0 every write past it fails, as on a full disk
};

// program is a path or a name looked up in PATH.
ToolRun RunTool(const QString& program, const QStringList& arguments, const ToolOptions& options = {});

// ffprobe's key=value answers for the first stream and the container of a file, duration included.
QMap<QString, QString> Probe(const QString& fileName);
