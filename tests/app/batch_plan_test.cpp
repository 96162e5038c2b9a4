#include "app/batch_plan.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QRegularExpression>

#include <numeric>
#include <random>

namespace {

TTempNamer::TRandom seeded(unsigned seed)
{
    auto engine = std::make_shared<std::mt19937>(seed);
    return [engine](std::uint32_t bound) { return static_cast<std::uint32_t>((*engine)() % bound); };
}

TTempNamer namer(const QSet<QString>& existing = {})
{
    return TTempNamer("/tmp/work", seeded(1),
                      [existing](const QString& name) { return existing.contains(name); });
}

TBatchChoices choices(TBatchFormat format, std::vector<TBatchSource> sources)
{
    TBatchChoices result;
    result.Format = format;
    result.Description =
        format == TBatchFormat::Mpeg ? "mp2 224 kbps Stereo" : "WAV (Raw PCM) 16bits 44100 Hz Stereo";
    result.Sources = std::move(sources);
    return result;
}

struct StepRow {
    TStepKind kind;
    int progressMin, progressMax, skipNextCount;
    bool deletesInput, checkOutput, cancellable;
};

TEST(BatchPlan, ChainsFollowTheFormatAndWhetherTheSourceNeedsDecoding)
{
    using K = TStepKind;
    const struct {
        TBatchFormat format;
        bool readableAsIs;
        std::vector<StepRow> rows;
    } cases[] = {
        {TBatchFormat::Mpeg,
         false,
         {{K::Decode, 0, 9, 3, false, false, true},
          {K::WavToWav, 9, 16, 2, true, false, true},
          {K::Encode, 16, 96, 1, true, false, true},
          {K::Multiplex, 96, 100, 0, true, true, true}}},
        {TBatchFormat::Mpeg,
         true,
         {{K::WavToWav, 9, 16, 2, false, false, true},
          {K::Encode, 16, 96, 1, true, false, true},
          {K::Multiplex, 96, 100, 0, true, true, true}}},
        {TBatchFormat::Wav,
         false,
         {{K::Decode, 0, 57, 1, false, false, true},
          {K::WavToWav, 57, 100, 0, true, true, true},
          {K::Finalize, 0, 100, 0, false, false, false}}},
        {TBatchFormat::Wav,
         true,
         {{K::WavToWav, 57, 100, 0, false, true, true}, {K::Finalize, 0, 100, 0, false, false, false}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << int(c.format) << " readable " << c.readableAsIs);
        TTempNamer temp = namer();
        const auto steps = PlanBatch(choices(c.format, {{"/music/Song.mp3", true, c.readableAsIs}}), temp);
        ASSERT_EQ(steps.size(), c.rows.size());
        for (size_t i = 0; i < steps.size(); ++i) {
            const TStepPlan& step = steps[i];
            const StepRow& row = c.rows[i];
            EXPECT_EQ(step.Kind, row.kind) << i;
            EXPECT_EQ(step.ProgressMin, row.progressMin) << i;
            EXPECT_EQ(step.ProgressMax, row.progressMax) << i;
            EXPECT_EQ(step.SkipNextCount, row.skipNextCount) << i;
            EXPECT_EQ(step.DeleteInputOnSuccess, row.deletesInput) << i;
            EXPECT_EQ(step.DeleteInputOnFailure, row.deletesInput) << i;
            EXPECT_EQ(step.CheckOutput, row.checkOutput) << i;
            EXPECT_EQ(step.Cancellable, row.cancellable) << i;
            EXPECT_EQ(step.HasCommonData, row.kind != K::Finalize) << i;
            if (i > 0 && row.kind != K::Finalize) {
                EXPECT_EQ(step.Input, steps[i - 1].Output) << "each step reads what the one before wrote";
            }
        }
        EXPECT_EQ(steps.front().Input, "/music/Song.mp3");
    }
}

TEST(BatchPlan, OutputNamesFollowTheFolderChoiceAndTheFormatOption)
{
    const struct {
        TBatchFormat format;
        QString outputFolder;
        bool addFormat;
        QString expected;
    } cases[] = {
        {TBatchFormat::Mpeg, "", false, "/music/Song.vcd.mpg"},
        {TBatchFormat::Mpeg, "", true, "/music/Song - mp2 224 kbps Stereo.vcd.mpg"},
        {TBatchFormat::Wav, "", false, "/music/Song.wav"},
        {TBatchFormat::Wav, "/out/", true, "/out/Song - WAV (Raw PCM) 16bits 44100 Hz Stereo.wav"},
    };
    for (const auto& c : cases) {
        TBatchChoices batch = choices(c.format, {{"/music/Song.mp3"}});
        batch.OutputFolder = c.outputFolder;
        batch.AddFormatToFileName = c.addFormat;
        TTempNamer temp = namer();
        const auto steps = PlanBatch(batch, temp);
        const auto last =
            std::find_if(steps.begin(), steps.end(), [](const TStepPlan& s) { return s.CheckOutput; });
        ASSERT_NE(last, steps.end());
        EXPECT_EQ(last->Output, c.expected);
    }
    EXPECT_EQ(PlanOutputName("/Song.mp3", choices(TBatchFormat::Mpeg, {})), "/Song.vcd.mpg");

    // No chain may overwrite what the batch itself has or writes: a chain whose output is another source,
    // or an earlier chain's output however spelt, has its first step told which source took the name.
    const auto takenBy = [](const std::vector<TStepPlan>& steps) {
        QStringList found;
        for (const TStepPlan& step : steps) {
            if (!step.ChainOutput.isEmpty())
                found << step.ChainOutputTakenBy;
            else
                EXPECT_TRUE(step.ChainOutputTakenBy.isEmpty()) << "only a chain's first step checks";
        }
        return found;
    };
    TTempNamer temp = namer();
    TBatchChoices mpeg =
        choices(TBatchFormat::Mpeg,
                {{"/a/Song.mp3"}, {"/b/Song.wav", true, true}, {"/a//Song.ogg"}, {"/a/Live.mp3"}});
    EXPECT_EQ(takenBy(PlanBatch(mpeg, temp)), QStringList({"", "", "/a/Song.mp3", ""}));
    mpeg.OutputFolder = "/out/";
    EXPECT_EQ(takenBy(PlanBatch(mpeg, temp)), QStringList({"", "/a/Song.mp3", "/a/Song.mp3", ""}));
    const TBatchChoices wav =
        choices(TBatchFormat::Wav, {{"/music/Song.mp3"}, {"/music/Song.wav", true, true}});
    EXPECT_EQ(takenBy(PlanBatch(wav, temp)), QStringList({"/music/Song.wav", ""}))
        << "a WAV source is not overwritten before its own turn; its own output name is the other rule's";

    // However the two are spelt: the keyer says which names are one file (here a link from /link to /real
    // and a file system that ignores case), and the first step says whether the taker is that file itself.
    const auto isSource = [](const std::vector<TStepPlan>& steps) {
        QList<bool> found;
        for (const TStepPlan& step : steps)
            if (!step.ChainOutput.isEmpty())
                found << step.ChainOutputIsSource;
        return found;
    };
    const auto onDisk = [](const QString& name) {
        return QDir::cleanPath(name).replace("/link/", "/real/").toCaseFolded();
    };
    TBatchChoices linked = choices(TBatchFormat::Wav, {{"/real/a.mp3"}, {"/link/a.wav", true, true}});
    linked.FileKey = onDisk;
    EXPECT_EQ(takenBy(PlanBatch(linked, temp)), QStringList({"/link/a.wav", ""}));
    EXPECT_EQ(isSource(PlanBatch(linked, temp)), QList<bool>({true, false}));
    EXPECT_EQ(isSource(PlanBatch(wav, temp)), QList<bool>({true, false}));
    TBatchChoices cased =
        choices(TBatchFormat::Mpeg, {{"/real/a.mp3"}, {"/real/A.WAV", true, true}, {"/link/a.ogg"}});
    cased.FileKey = onDisk;
    EXPECT_EQ(takenBy(PlanBatch(cased, temp)), QStringList({"", "/real/a.mp3", "/real/a.mp3"}));
    EXPECT_EQ(isSource(PlanBatch(cased, temp)), QList<bool>({false, false, false}));
}

TEST(BatchPlan, StopsOnAMissingOrIrregularSourceOrFolderAndNeverDeletesTheSourceAsAnInput)
{
    TTempNamer temp = namer();
    EXPECT_THROW(PlanBatch(choices(TBatchFormat::Mpeg, {{"/music/Gone.mp3", false}}), temp), EBatchPlanError);
    // A byte that is not UTF-8 in the name, as Qt reads it: the name is to blame, not a missing file.
    const QString undecodable = QString::fromUtf8("/music/caf\xe9.mp3");
    try {
        PlanBatch(choices(TBatchFormat::Mpeg, {{undecodable, false}}), temp);
        ADD_FAILURE() << "a name that leads nowhere is no source";
    } catch (const EBatchPlanError& error) {
        EXPECT_EQ(error.Message(), "The name of the audio source file \"" + undecodable +
                                       "\" is not valid UTF-8: rename the file");
    }
    try {
        PlanBatch(choices(TBatchFormat::Mpeg, {{"/music/pipe.mp3", true, false, false}}), temp);
        ADD_FAILURE() << "a pipe or a device is no source";
    } catch (const EBatchPlanError& error) {
        EXPECT_EQ(error.Message(), "The audio source \"/music/pipe.mp3\" is not a regular file");
    }
    try {
        PlanBatch(choices(TBatchFormat::Wav, {{"Song.mp3"}}), temp);
        ADD_FAILURE() << "a source without a folder has nowhere to put its output";
    } catch (const EBatchPlanError& error) {
        EXPECT_EQ(error.Message(), "An output folder is required");
    }

    TBatchChoices batch =
        choices(TBatchFormat::Mpeg, {{"/a/One.wav", true, true}, {"/b/Two.ogg", true, false}});
    batch.DeleteSource = true;
    const auto steps = PlanBatch(batch, temp);
    ASSERT_EQ(steps.size(), 7u);
    for (const TStepPlan& step : steps) {
        if (step.Input == step.Source) {
            EXPECT_FALSE(step.DeleteInputOnSuccess || step.DeleteInputOnFailure);
        }
        EXPECT_EQ(step.DeleteAfterSuccess.isEmpty(), !step.CheckOutput)
            << "only a finished output frees the source";
    }
    EXPECT_EQ(steps[0].StatusText, "[1/2] - One  -->  mp2 224 kbps Stereo");
    EXPECT_EQ(steps[3].Task, 2);
}

TEST(TempNames, AreFreshUniqueAndFollowThePatternAndTheFolderFallsBackToTheSystemOne)
{
    const QRegularExpression pattern("^/tmp/work/Tmp[A-Z][0-9][A-Z][0-9]{2}\\.tmp$");
    TTempNamer first = namer();
    const QString taken = first.NewTempFileName();

    // The same draws again, with the first name now on disk: it is skipped.
    TTempNamer temp = namer({taken});
    QSet<QString> names;
    for (int i = 0; i < 200; ++i) {
        const QString name = temp.NewTempFileName();
        EXPECT_TRUE(pattern.match(name).hasMatch()) << name.toStdString();
        names.insert(name);
    }
    EXPECT_EQ(names.size(), 200);
    EXPECT_FALSE(names.contains(taken));

    TTempNamer full("/tmp/work", seeded(2), [](const QString&) { return true; });
    EXPECT_THROW(full.NewTempFileName(), EBatchPlanError) << "an existing name is never reused";

    // The folder is probed on a fresh name, else the system's is taken.
    QStringList probed;
    const auto refuse = [&probed](const QString& name) {
        probed << name;
        return false;
    };
    const auto system = [] { return QString("/tmp"); };
    EXPECT_EQ(ChooseTempFolder("/ro", seeded(3), refuse, system), "/tmp/");
    EXPECT_EQ(probed.size(), 50);
    for (const QString& name : probed)
        EXPECT_TRUE(name.startsWith("/ro/Tmp") && name != "/ro/tmp.tmp");
    EXPECT_EQ(ChooseTempFolder(
                  " /work ", seeded(3), [](const QString&) { return true; }, system),
              "/work/");
    EXPECT_EQ(ChooseTempFolder("", seeded(3), refuse, system), "/tmp/");
    EXPECT_EQ(probed.size(), 50) << "an empty folder is not probed";
}

TEST(TempNames, ADrawRepeatedByTheGeneratorIsNeverHandedOutTwiceAndTheFiftiethDrawCounts)
{
    // Each draw takes five numbers: draw d gives them all d, so draw 0 is TmpA0A00, draw 1 TmpB1B11.
    const auto scripted = [](std::vector<std::uint32_t> draws) {
        auto next = std::make_shared<std::size_t>(0);
        return [draws = std::move(draws), next](std::uint32_t bound) {
            return draws[(*next)++ / 5 % draws.size()] % bound;
        };
    };
    TTempNamer repeating("/tmp/work", scripted({0, 0, 1}), [](const QString&) { return false; });
    EXPECT_EQ(repeating.NewTempFileName(), "/tmp/work/TmpA0A00.tmp");
    EXPECT_EQ(repeating.NewTempFileName(), "/tmp/work/TmpB1B11.tmp");

    // Forty-nine names on disk, then a free one: the fiftieth draw is still tried.
    std::vector<std::uint32_t> fifty(50);
    std::iota(fifty.begin(), fifty.end(), 0);
    const QString free = "/tmp/work/TmpX9X99.tmp"; // draw 49
    int asked = 0;
    TTempNamer last("/tmp/work", scripted(fifty), [&](const QString& name) {
        ++asked;
        return name != free;
    });
    EXPECT_EQ(last.NewTempFileName(), free);
    EXPECT_EQ(asked, 50);
    asked = 0;
    EXPECT_THROW(last.NewTempFileName(), EBatchPlanError) << "every draw of the second call is taken";
    EXPECT_EQ(asked, 49) << "the draw already handed out is not asked about again";
}

TEST(BatchSummary, CountsTagsAndWordsTheMessageByTheNumberOfFiles)
{
    QStringList lines{ResultSkipped + "/a.mp3", ResultSkipped + "/b.mp3", ResultSkipped + "/c.mp3", "odd"};
    MarkResultLine(lines, "/a.mp3", afsConverted, QString());
    MarkResultLine(lines, "/b.mp3", afsError, "Bad\r\nfile");
    MarkResultLine(lines, "/z.mp3", afsError, "not in the batch");
    EXPECT_EQ(lines[0], "[SUCCESS] \t/a.mp3");
    EXPECT_EQ(lines[1], "[ERROR]   \t/b.mp3  -  Bad file");

    const TBatchSummary several = BuildBatchSummary(lines);
    EXPECT_EQ(several.Message, "Audio files creation finished\r\rNumber of files: 4      \r"
                               "   Succeeded: 1      \r   Failed: 1      \r   Skipped: 2      \r");
    ASSERT_GE(several.LogLines.size(), 7u);
    EXPECT_EQ(several.LogLines[0].Text,
              "Audio files creation summary (Files with supported audio extensions = 4):");
    const TSummaryLevel levels[] = {TSummaryLevel::Information, TSummaryLevel::Error, TSummaryLevel::Debug,
                                    TSummaryLevel::Warning, TSummaryLevel::Plain};
    for (int i = 0; i < 5; ++i)
        EXPECT_EQ(several.LogLines[2 + i].Level, levels[i]) << i;
    EXPECT_EQ(several.LogLines.back().Text, "   Skipped: 2      ");

    // Succeeded and skipped are seen on the conversion page.
    const TBatchSummary one = BuildBatchSummary({lines[1]});
    EXPECT_EQ(one.Message, "\rAudio file creation failed      \r");
    EXPECT_EQ(one.LogLines.size(), 4u) << "no header for one file";
}

} // namespace
