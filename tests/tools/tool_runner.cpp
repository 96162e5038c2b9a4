#include "tests/tools/tool_runner.h"

#include <QFile>
#include <QProcess>
#include <QStandardPaths>

#include <sys/resource.h>

#include <cmath>
#include <csignal>
#include <numbers>

bool ToolRun::HasLineStartingWith(const QString& prefix) const
{
    for (const QString& line : lines)
        if (line.startsWith(prefix))
            return true;
    return false;
}

int ToolRun::IndexOfLineContaining(const QString& text) const
{
    for (int i = 0; i < lines.size(); ++i)
        if (lines[i].contains(text))
            return i;
    return -1;
}

ToolRun RunTool(const QString& program, const QStringList& arguments, qint64 fileSizeLimit)
{
    QProcess process;
    if (fileSizeLimit > 0)
        process.setChildProcessModifier([fileSizeLimit] {
            // Ignored, the signal turns into a failed write the program has to handle.
            std::signal(SIGXFSZ, SIG_IGN);
            const rlimit limit{static_cast<rlim_t>(fileSizeLimit), static_cast<rlim_t>(fileSizeLimit)};
            setrlimit(RLIMIT_FSIZE, &limit);
        });
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.setStandardInputFile(QProcess::nullDevice());
    process.start(program, arguments);
    ToolRun run;
    if (!process.waitForFinished(120000) || process.exitStatus() != QProcess::NormalExit)
        return run;
    run.exitCode = process.exitCode();
    run.lines = QString::fromUtf8(process.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    return run;
}

QString InstalledProgram(const QString& name)
{
    return QStandardPaths::findExecutable(name);
}

QMap<QString, QString> Probe(const QString& fileName)
{
    const ToolRun run = RunTool(InstalledProgram("ffprobe"),
                                {"-v", "error", "-show_entries",
                                 QStringLiteral("stream=codec_name,sample_rate,channels,bit_rate,codec_type:"
                                                "format=format_name,nb_streams"),
                                 "-of", "default=noprint_wrappers=1", fileName});
    QMap<QString, QString> values;
    for (const QString& line : run.lines) {
        const qsizetype equals = line.indexOf(QLatin1Char('='));
        if (equals > 0 && !values.contains(line.left(equals)))
            values.insert(line.left(equals), line.mid(equals + 1).trimmed());
    }
    return values;
}

QByteArray ToneWav(int sampleRate, int channels, int bitsPerSample, double seconds)
{
    const int frames = static_cast<int>(sampleRate * seconds);
    const int bytesPerSample = bitsPerSample / 8;
    QByteArray samples;
    for (int i = 0; i < frames; ++i) {
        const double value = 0.5 * std::sin(2 * std::numbers::pi * 440 * i / sampleRate);
        for (int channel = 0; channel < channels; ++channel) {
            if (bytesPerSample == 1) {
                samples.append(static_cast<char>(128 + std::lrint(value * 127)));
            } else {
                const auto sample = static_cast<qint16>(std::lrint(value * 32767));
                samples.append(static_cast<char>(sample & 0xFF));
                samples.append(static_cast<char>((sample >> 8) & 0xFF));
            }
        }
    }
    const auto le32 = [](quint32 value) {
        QByteArray bytes;
        for (int i = 0; i < 4; ++i)
            bytes.append(static_cast<char>((value >> (8 * i)) & 0xFF));
        return bytes;
    };
    const auto le16 = [&](quint32 value) { return le32(value).left(2); };
    const int blockAlign = channels * bytesPerSample;
    return "RIFF" + le32(36 + samples.size()) + "WAVEfmt " + le32(16) + le16(1) + le16(channels) +
           le32(sampleRate) + le32(sampleRate * blockAlign) + le16(blockAlign) + le16(bitsPerSample) +
           "data" + le32(samples.size()) + samples;
}

QByteArray FirstFrameHeader(const QString& fileName)
{
    QFile file(fileName);
    return file.open(QIODevice::ReadOnly) ? file.read(4) : QByteArray();
}
