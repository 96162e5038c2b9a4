#include "engine/run_journal.h"
#include "foundation/program_globals.h"
#include "tests/support/audio_step_world.h"
#include "tests/support/batch_chain.h"
#include "tests/support/patience.h"
#include "tests/support/reference_tools.h"
#include "tests/support/scripted_dialogs.h"
#include "tests/support/temp_world.h"

#include <QDir>
#include <QFileInfo>
#include <QMap>
#include <QStandardPaths>

#include <optional>
#include <ostream>
#include <tuple>

namespace {

struct Source {
    const char* Name;
    const char* Fixture; // in tests/data
    TAudioWavEncodingPref WavPref;
    const char* WavCodec; // as ffprobe names what that preference writes
};

void PrintTo(const Source& source, std::ostream* out)
{
    *out << source.Name;
}

TAudioWavEncodingPref wavPref(int rate, TWavEncodingMode encoding, TWavChannelsMode channels,
                              TWavBitsPerSample bits)
{
    TAudioWavEncodingPref pref;
    std::tie(pref.SamplingFrequency, pref.EncodingMode, pref.ChannelsMode, pref.BitsPerSample) =
        std::tuple(rate, encoding, channels, bits);
    return pref;
}

// Each source asks the WAV chain for something its own format is not, so every converter gets used.
const Source sources[] = {
    {"Mp3", "dec-tone.mp3", wavPref(44100, wemRawPcm, wcmStereo, wbs16), "pcm_s16le"},
    {"Ogg48k", "dec-48k.ogg", wavPref(32000, wemDviImaAdpcm, wcmStereo, wbs16), "adpcm_ima_wav"},
    {"MonoWma22k", "dec-mono22k.wma", wavPref(48000, wemRawPcm, wcmStereo, wbs16), "pcm_s16le"},
    {"Wav", "dec-source.wav", wavPref(22050, wemRawPcm, wcmMono, wbs8), "pcm_u8"},
};

// Adds the sources in the format and runs the batch; whether every chain succeeded, nothing when the batch
// never ended.
std::optional<bool> RunToTheEnd(BatchChain& batch, TBatchFormat format, const QStringList& sources)
{
    if (format == TBatchFormat::Wav)
        batch.AddWavConversion(sources, wavPref(44100, wemRawPcm, wcmStereo, wbs16));
    else
        batch.AddMpegConversion(sources, TAudioMp2EncodingPref());
    std::optional<bool> succeeded;
    batch.Run([&succeeded](QObject*, bool allSucceeded) { succeeded = allSucceeded; });
    EXPECT_TRUE(Reaches([&succeeded] { return succeeded.has_value(); }, "the batch's end"));
    return succeeded;
}

enum class Chain { Mpeg, Wav };
using Batch = std::tuple<Source, Chain>;

// Batches with the built encoder and multiplexer, as the conversion page runs them.
class EngineBatch : public TempWorld {
protected:
    void SetUp() override
    {
        TempWorld::SetUp();
        TooLameFolder = BuiltProgramFolder() + "TooLame/";
        MplexFolder = BuiltProgramFolder() + "Mplex/";
        TooLameFound = MplexFound = true;
    }
    void TearDown() override
    {
        TooLameFolder = MplexFolder = QString();
        TooLameFound = MplexFound = false;
        TempWorld::TearDown();
    }
};

// A batch of one source file, its output checked by ffprobe.
class EngineEndToEnd : public EngineBatch, public ::testing::WithParamInterface<Batch> {
protected:
    void SetUp() override
    {
        EngineBatch::SetUp();
        if (QStandardPaths::findExecutable("ffprobe").isEmpty())
            GTEST_SKIP() << "ffprobe is not installed";
    }
};

} // namespace

TEST_P(EngineEndToEnd, WritesTheAskedOutputBesideAnUntouchedSourceAndNoTemporaryFile)
{
    const auto& [source, chain] = GetParam();
    const QString fixture = SourceFolder() + "tests/data/" + source.Fixture;
    // Quotes, blanks, accents and a shell variable in the names reach the tools whole.
    const QString folder = Root() + "Mes \"disques\" été/";
    const QString input =
        WriteFile(folder + "Song 'à' $HOME." + QFileInfo(fixture).suffix(), ReadFile(fixture));
    QStringList log;
    int steps = 0;
    BatchChain batch(
        [&log](QObject*, QString line) { log << line; },
        [&steps](TCommandInterface*, const TExecuteStatus& status) { steps += status.IsSucceeded(); });
    const TAudioMp2EncodingPref mp2;
    const QString output = chain == Chain::Mpeg ? batch.AddMpegConversion(input, mp2)
                                                : batch.AddWavConversion(input, source.WavPref);
    std::optional<bool> succeeded;
    batch.Run([&succeeded](QObject*, bool allSucceeded) { succeeded = allSucceeded; });
    ASSERT_TRUE(Reaches([&succeeded] { return succeeded.has_value(); }, "the batch's end"));

    EXPECT_TRUE(*succeeded) << log.join('\n').toStdString();
    const bool decoded = !input.endsWith(".wav");
    EXPECT_EQ(steps, (chain == Chain::Mpeg ? 3 : 2) + decoded);
    EXPECT_EQ(batch.ProgressBarTotal->Position(), 100);
    EXPECT_EQ(QDir(Temp()).entryList({"Tmp*.tmp"}, QDir::Files), QStringList());
    EXPECT_EQ(QDir(RunJournalFolder()).entryList(QDir::Files), QStringList())
        << "no file is left to put right";
    // A WAV source of the WAV chain has the output's name: the output then gets a unique one.
    const QString written = output == input ? folder + "Song 'à' $HOME-1.wav" : output;
    EXPECT_EQ(batch.Written(), QStringList{written});
    QStringList expected{QFileInfo(input).fileName(), QFileInfo(written).fileName()},
        files = QDir(folder).entryList(QDir::Files);
    expected.sort();
    files.sort();
    EXPECT_EQ(files, expected);
    EXPECT_EQ(ReadFile(input), ReadFile(fixture));

    const QMap<QString, QString> found = Probe(written);
    EXPECT_NEAR(found.value("duration").toDouble(), 1.0, 0.1);
    const QString format = QStringList{found.value("format_name"), found.value("codec_name"),
                                       found.value("sample_rate"), found.value("channels")}
                               .join(' ');
    if (chain == Chain::Mpeg) {
        EXPECT_EQ(format, "mpeg mp2 44100 2");
        EXPECT_EQ(found.value("bit_rate"), QString::number(mp2.BitRate * 1000));
    } else {
        EXPECT_EQ(format, QString("wav %1 %2 %3")
                              .arg(source.WavCodec)
                              .arg(source.WavPref.SamplingFrequency)
                              .arg(source.WavPref.ChannelsMode == wcmMono ? 1 : 2));
    }
}

INSTANTIATE_TEST_SUITE_P(Sources, EngineEndToEnd,
                         ::testing::Combine(::testing::ValuesIn(sources),
                                            ::testing::Values(Chain::Mpeg, Chain::Wav)),
                         [](const ::testing::TestParamInfo<Batch>& info) {
                             return std::string(std::get<0>(info.param).Name) +
                                    (std::get<1>(info.param) == Chain::Mpeg ? "ToVcdMpg" : "ToWav");
                         });

TEST_F(EngineBatch, OverwritingOntoAFullDiskLeavesTheOlderOutputAsItWas)
{
    // A name near the file system's limit leaves no room for the older output's hidden name as it is.
    for (const QString& name : {QStringLiteral("Song"), QString(247, u'n')}) {
        SCOPED_TRACE(name.size());
        const QString source =
            WriteFile("music/" + name + ".wav", ReadFile(SourceFolder() + "tests/data/dec-source.wav"));
        const QString older = WriteFile("out/" + name + ".wav", "the older output");
        QStringList log;
        BatchChain batch([&log](QObject*, QString line) { log << line; }, nullptr);
        batch.SetOutputFolder(Root() + "out/");
        batch.SetPolicy({.GenerateNewName = false, .GenerateError = false, .Overwrite = true});
        EXPECT_EQ(batch.AddWavConversion(source, wavPref(44100, wemRawPcm, wcmStereo, wbs16)), older);
        std::optional<bool> succeeded;
        {
            const FileSizeLimit fullDisk(64 * 1024);
            batch.Run([&succeeded](QObject*, bool allSucceeded) { succeeded = allSucceeded; });
            ASSERT_TRUE(Reaches([&succeeded] { return succeeded.has_value(); }, "the batch's end"));
        }
        EXPECT_FALSE(*succeeded);
        EXPECT_EQ(ReadFile(older), "the older output") << log.join('\n').toStdString();
        EXPECT_EQ(QDir(Root() + "out").entryList(QDir::Files | QDir::Hidden), QStringList{name + ".wav"});
        EXPECT_TRUE(batch.Written().isEmpty());
        QFile::remove(older);
    }
}

TEST_F(EngineBatch, AnOutputThatCannotBeMadeStopsTheChainBeforeAnyWork)
{
    const QString mp3 = SourceFolder() + "tests/data/dec-tone.mp3";
    const QString wav = SourceFolder() + "tests/data/dec-source.wav";
    const QString locked = Root() + "locked/", notAFolder = WriteFile("file", "a file") + '/';
    QDir().mkpath(locked);
    const QString besideLocked = WriteFile(locked + "Song.wav", ReadFile(wav));
    const auto readOnly = QFile::ReadOwner | QFile::ExeOwner | QFile::ReadGroup | QFile::ExeGroup |
                          QFile::ReadOther | QFile::ExeOther;
    QFile::setPermissions(locked, readOnly);
    const auto cannotCreate = [](const QString& name, const QString& reason) {
        return "Unable to create/write the output file: " + name + " (" + reason + ')';
    };
    // Outputs already there, each beside its own source.
    const QString taken = WriteFile("taken/Song.vcd.mpg", "kept");
    const QString longName = QString(247, u'n'); // its output's name is as long as a name can be
    const QString longTaken = WriteFile("long/" + longName + ".vcd.mpg", "kept");
    const QString full = WriteFile("full/Song.vcd.mpg", "kept");
    for (int n = 1; n <= 50; ++n)
        WriteFile(QString("full/Song.vcd-%1.mpg").arg(n), "kept");
    const QString readOnlyOutput = WriteFile("readonly/Song.vcd.mpg", "kept");
    const QString readOnlyWav = WriteFile("readonly/Tune.wav", "kept");
    for (const QString& name : {readOnlyOutput, readOnlyWav})
        QFile::setPermissions(name, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
    const QString fullWav = WriteFile("fullwav/Tune.wav", "kept");
    for (int n = 1; n <= 50; ++n)
        WriteFile(QString("fullwav/Tune-%1.wav").arg(n), "kept");
    // Each name within what a name may be, the whole path past what the system takes.
    QString deep = Root();
    while (deep.size() < 3850)
        deep += QString(200, u'd') + '/';
    QDir().mkpath(deep);
    const TOutputPolicy newName, error{false, true, false}, overwrite{false, false, true};
    const struct {
        QString source, folder;
        TOutputPolicy policy;
        QString failure;
        TBatchFormat format = TBatchFormat::Mpeg;
    } cases[] = {
        {WriteFile("music/Song.mp3", ReadFile(mp3)), locked, newName, // decoded first
         cannotCreate(locked + "Song.vcd.mpg", "Permission denied")},
        {WriteFile("music/Song.wav", ReadFile(wav)), notAFolder, newName,
         cannotCreate(notAFolder + "Song.vcd.mpg", "Not a directory")},
        {besideLocked, QString(), newName, cannotCreate(locked + "Song.vcd.mpg", "Permission denied")},
        // The source's name fits; the output's, four bytes longer, does not.
        {WriteFile("music/" + QString(250, 'n') + ".mp3", ReadFile(mp3)), QString(), newName,
         cannotCreate(Root() + "music/" + QString(250, 'n') + ".vcd.mpg", "File name too long")},
        // What the existing-output rules will refuse at the last step.
        {WriteFile("taken/Song.wav", ReadFile(wav)), QString(), error,
         "The file \"" + taken + "\" already exists"},
        {WriteFile("long/" + longName + ".wav", ReadFile(wav)), QString(), newName,
         cannotCreate(Root() + "long/" + longName + ".vcd-1.mpg", "File name too long")},
        {WriteFile("full/Song.wav", ReadFile(wav)), QString(), newName, cannotCreate(full, "File exists")},
        {WriteFile("readonly/Song.mp3", ReadFile(mp3)), QString(), overwrite,
         cannotCreate(readOnlyOutput, "Permission denied")},
        {WriteFile("music/" + longName + ".mp3", ReadFile(mp3)), deep, newName,
         cannotCreate(deep + longName + ".vcd.mpg", "File name too long")},
        // A WAV source taken as it is: the one step of its chain writes the output, for the same reasons.
        {WriteFile("music/Tune.wav", ReadFile(wav)), Root() + "readonly/", overwrite,
         cannotCreate(readOnlyWav, "Permission denied"), TBatchFormat::Wav},
        {Root() + "music/Tune.wav", Root() + "fullwav/", newName, cannotCreate(fullWav, "File exists"),
         TBatchFormat::Wav},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.failure.toStdString());
        QStringList log, failures;
        int stepsRun = 0;
        BatchChain batch([&log](QObject*, QString line) { log << line; },
                         [&](TCommandInterface* step, const TExecuteStatus& status) {
                             stepsRun += step->StepData() != nullptr; // the WAV chain's finishing step aside
                             failures << status.Errors;
                         });
        batch.SetOutputFolder(c.folder);
        batch.SetPolicy(c.policy);
        const std::optional<bool> succeeded = RunToTheEnd(batch, c.format, {c.source});
        ASSERT_TRUE(succeeded.has_value());

        EXPECT_FALSE(*succeeded);
        EXPECT_EQ(stepsRun, 1) << "the encoder never starts\n" << log.join('\n').toStdString();
        EXPECT_EQ(failures.value(0), c.failure);
        if (c.policy.GenerateError) {
            EXPECT_EQ(Dialogs().LastText(), '\r' + c.failure) << "the user is told at once";
        }
        EXPECT_FALSE(failures.contains("Unable to read/play the audio file")) << "the source is not to blame";
        EXPECT_EQ(QDir(Temp()).entryList(QDir::Files | QDir::Hidden), QStringList());
    }
    EXPECT_EQ(QDir(locked).entryList(QDir::Files | QDir::Hidden), QStringList{"Song.wav"});
    for (const QString& kept : {taken, longTaken, full, readOnlyOutput, readOnlyWav, fullWav})
        EXPECT_EQ(ReadFile(kept), "kept");
    EXPECT_EQ(QDir(Root() + "full").count(), 2u + 51u + 1u);
    EXPECT_EQ(QDir(Root() + "fullwav").count(), 2u + 51u);
    EXPECT_EQ(QDir(deep).entryList(QDir::Files | QDir::Hidden), QStringList());

    // Two sources of one batch with one output name: overwriting is for outputs older than the batch, so
    // the later source is refused before its work, naming the earlier one, and the first output stays.
    const QStringList sources = {WriteFile("twice/Song.mp3", ReadFile(mp3)),
                                 WriteFile("twice/Song.wav", ReadFile(wav))};
    QStringList failures;
    int stepsRun = 0;
    QStringList log;
    BatchChain batch([&log](QObject*, QString line) { log << line; },
                     [&](TCommandInterface* step, const TExecuteStatus& status) {
                         stepsRun += step->StepData() && step->StepData()->TaskIndex == 2;
                         failures << status.Errors;
                     });
    batch.SetPolicy(overwrite);
    EXPECT_EQ(batch.AddMpegConversion(sources, TAudioMp2EncodingPref()),
              QStringList({Root() + "twice/Song.vcd.mpg", Root() + "twice/Song.vcd.mpg"}));
    std::optional<bool> succeeded;
    batch.Run([&succeeded](QObject*, bool allSucceeded) { succeeded = allSucceeded; });
    ASSERT_TRUE(Reaches([&succeeded] { return succeeded.has_value(); }, "the batch's end"));
    EXPECT_FALSE(*succeeded);
    EXPECT_EQ(batch.Written(), QStringList{Root() + "twice/Song.vcd.mpg"}) << log.join('\n').toStdString();
    EXPECT_EQ(stepsRun, 1);
    EXPECT_EQ(failures.value(0), cannotCreate(Root() + "twice/Song.vcd.mpg",
                                              "already the output of \"" + sources[0] + "\" in this batch"));
    EXPECT_EQ(QDir(Root() + "twice").entryList(QDir::Files | QDir::Hidden),
              QStringList({"Song.mp3", "Song.vcd.mpg", "Song.wav"}));

    // However the two are spelt: through a link to their folder, the WAV output of one source is another
    // source, which stays as it was; in the MPEG format two sources there give one output.
    const QString pcm = WriteFile("real/a.wav", ReadFile(wav)),
                  other = WriteFile("real/b.wav", ReadFile(wav));
    ASSERT_TRUE(QFile::link(Root() + "real", Root() + "link"));
    const struct {
        TBatchFormat format;
        QStringList sources;
        int refusedTask;
        QString failure;
        QStringList written;
    } spellings[] = {
        {TBatchFormat::Wav,
         {WriteFile("real/a.mp3", ReadFile(mp3)), Root() + "link/a.wav"},
         1,
         cannotCreate(pcm, "already a source file of this batch"),
         {Root() + "link/a-1.wav"}},
        {TBatchFormat::Mpeg,
         {WriteFile("real/b.mp3", ReadFile(mp3)), Root() + "link/b.wav"},
         2,
         cannotCreate(Root() + "link/b.vcd.mpg",
                      "already the output of \"" + Root() + "real/b.mp3\" in this batch"),
         {Root() + "real/b.vcd.mpg"}},
    };
    for (const auto& c : spellings) {
        SCOPED_TRACE(c.failure.toStdString());
        QStringList log, failures;
        int refusedSteps = 0;
        BatchChain batch([&log](QObject*, QString line) { log << line; },
                         [&](TCommandInterface* step, const TExecuteStatus& status) {
                             refusedSteps += step->StepData() && step->StepData()->TaskIndex == c.refusedTask;
                             failures << status.Errors;
                         });
        batch.SetPolicy(overwrite);
        const std::optional<bool> succeeded = RunToTheEnd(batch, c.format, c.sources);
        ASSERT_TRUE(succeeded.has_value());
        EXPECT_FALSE(*succeeded);
        EXPECT_EQ(refusedSteps, 1) << "refused before any work\n" << log.join('\n').toStdString();
        EXPECT_EQ(failures.value(0), c.failure);
        EXPECT_EQ(batch.Written(), c.written);
    }
    EXPECT_EQ(ReadFile(pcm), ReadFile(wav));
    EXPECT_EQ(ReadFile(other), ReadFile(wav));
    EXPECT_EQ(QDir(Root() + "real").entryList(QDir::Files | QDir::Hidden),
              QStringList({"a-1.wav", "a.mp3", "a.wav", "b.mp3", "b.vcd.mpg", "b.wav"}));
}
