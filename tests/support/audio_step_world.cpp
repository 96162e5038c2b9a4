#include "tests/support/audio_step_world.h"

#include "foundation/brindlow_sounds.h"
#include "tests/support/patience.h"

#include <QFileInfo>
#include <QProcess>
#include <QStandardPaths>
#include <QtEndian>

#include <csignal>

void AudioStepWorld::SetUp()
{
    TempWorld::SetUp();
    Queue = std::make_unique<TCommandsManager>(nullptr, nullptr, nullptr, nullptr, nullptr, nullptr);
    Entry = std::make_shared<TAudioFile>(QString(), nullptr);
    StepBar = std::make_shared<RecordingProgressView>();
    Output = Temp() + "out.wav";
}

void AudioStepWorld::TearDown()
{
    Queue.reset();
    TempWorld::TearDown();
}

std::unique_ptr<TCommandCommonData> AudioStepWorld::NewCommonData(const QString& input)
{
    auto common = std::make_unique<TCommandCommonData>();
    common->SetProgressControls(StepBar, nullptr, 0, 100, nullptr);
    common->SetAudioFile(Entry);
    common->SetFiles(QString(), input, false, false);
    common->InputFile = input;
    common->OutputFile = Output;
    return common;
}

void AudioStepWorld::RunStep(std::unique_ptr<TCommandInterface> command, const QString& source, bool cancel)
{
    // A pipe or a device is not read here: the test would wait for a writer, or never end.
    const bool regular = QFileInfo(source).isFile();
    const QByteArray before = regular ? ReadFile(source) : QByteArray();
    // A batch's intermediate is always a new file: the step refuses to replace one it did not make.
    if (QFileInfo(Output).isFile())
        QFile::remove(Output);
    Log.clear();
    StepBar->OnPosition = [&](int position) {
        if (cancel && position > 0)
            Queue->Cancel();
    };
    Queue->AddCommand(std::move(command));
    Queue->Run("Batch", true, nullptr, nullptr, nullptr, nullptr, SndBatchConversionEnded,
               SndBatchConversionEnded, false, false);
    EXPECT_TRUE(Reaches([this] { return !Queue->IsRunning(); }, "the batch's end"));
    StepBar->OnPosition = nullptr;
    if (regular) {
        EXPECT_EQ(ReadFile(source), before);
    }
}

std::tuple<int, int, int, int> AudioStepWorld::ExpectTrueWav(const QString& fileName, qsizetype* dataSize)
{
    const QByteArray bytes = ReadFile(fileName);
    const qsizetype data = bytes.indexOf("data");
    if (!bytes.startsWith("RIFF") || data < 0 || bytes.size() < 44) {
        ADD_FAILURE() << "no WAV header in " << fileName.toStdString();
        return {};
    }
    const auto at = [&](qsizetype offset, int size) {
        return int(size == 2 ? qFromLittleEndian<quint16>(bytes.constData() + offset)
                             : qFromLittleEndian<quint32>(bytes.constData() + offset));
    };
    EXPECT_EQ(quint32(at(4, 4)), quint32(bytes.size() - 8));
    EXPECT_EQ(at(data + 4, 4), bytes.size() - data - 8);
    for (const QString tool : {"ffprobe", "soxi"}) {
        if (QStandardPaths::findExecutable(tool).isEmpty())
            continue;
        QProcess run;
        run.start(tool, {fileName});
        EXPECT_TRUE(run.waitForFinished(PatienceLeft())) << tool.toStdString() << " never ended";
        EXPECT_EQ(run.exitCode(), 0) << tool.toStdString() << " refuses it";
    }
    if (dataSize)
        *dataSize = bytes.size() - data - 8;
    return {at(20, 2), at(22, 2), at(24, 4), at(34, 2)};
}

FileSizeLimit::FileSizeLimit(rlim_t limit)
{
    std::signal(SIGXFSZ, SIG_IGN);
    getrlimit(RLIMIT_FSIZE, &saved_);
    const rlimit lowered{limit, saved_.rlim_max};
    setrlimit(RLIMIT_FSIZE, &lowered);
}
