#include "tests/support/reference_tools.h"

#include "tests/support/patience.h"

#include <QProcess>
#include <QStandardPaths>

#include <algorithm>
#include <csignal>
#include <sys/resource.h>

bool ToolRun::HasLineStartingWith(const QString& prefix) const
{
    return std::any_of(Lines.begin(), Lines.end(),
                       [&](const QString& line) { return line.startsWith(prefix); });
}

int ToolRun::IndexOfLineContaining(const QString& text) const
{
    for (int i = 0; i < Lines.size(); ++i)
        if (Lines[i].contains(text))
            return i;
    return -1;
}

ToolRun RunTool(const QString& program, const QStringList& arguments, const ToolOptions& options)
{
    ToolRun run;
    const QString path = QStandardPaths::findExecutable(program);
    if (path.isEmpty())
        return run;
    QProcess process;
    if (const qint64 limit = options.FileSizeLimit; limit > 0)
        process.setChildProcessModifier([limit] {
            // Ignored, the signal turns into a failed write the program has to handle.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit fileSize{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
            setrlimit(RLIMIT_FSIZE, &fileSize);
        });
    process.setProcessChannelMode(options.MergeErrors ? QProcess::MergedChannels
                                                      : QProcess::SeparateChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(path, arguments);
    if (!process.waitForFinished(PatienceLeft())) {
        ADD_FAILURE() << program.toStdString() << " never ended";
        return run;
    }
    run.Ran = true;
    run.ExitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.Output = process.readAllStandardOutput();
    run.Lines = QString::fromUtf8(run.Output).split(u'\n', Qt::SkipEmptyParts);
    return run;
}

QMap<QString, QString> Probe(const QString& fileName)
{
    const ToolRun run = RunTool("ffprobe", {"-v", "error", "-show_entries",
                                            "stream=codec_name,sample_rate,channels,bit_rate,codec_type:"
                                            "format=format_name,nb_streams,duration",
                                            "-of", "default=noprint_wrappers=1", fileName});
    QMap<QString, QString> values;
    for (const QString& line : run.Lines) {
        const qsizetype equals = line.indexOf(u'=');
        if (equals > 0 && !values.contains(line.left(equals)))
            values.insert(line.left(equals), line.mid(equals + 1).trimmed());
    }
    return values;
}
