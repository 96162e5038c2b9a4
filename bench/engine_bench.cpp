// engine_bench: converts sources through the engine's chains on the real queue, as one batch, with the
// encoder and multiplexer beside this program. bench/run-bench.sh times it.
//   engine_bench mpeg|wav SOURCE... [--out FOLDER] [--policy new|error|overwrite]
// "mpeg" writes a Video CD ".vcd.mpg" at 224 kbit/s stereo; "wav" an IMA ADPCM 16-bit stereo 44100 Hz WAV.
// Each output goes into FOLDER (its source's own folder when absent) under the existing-output policy
// (a new name, the program's default, when absent), and stays there: the bench deletes no file. It
// prints the name of each file written and exits 0 only when every chain succeeded. SIGTERM, SIGHUP
// and SIGINT cancel the batch as the program's Cancel does (the tool stopped, the temporary files removed,
// the older output left as it was); the bench then exits with 128 + the signal. At its start it deletes what
// a run killed outright left (see RecoverKilledRuns) and says so on the error output.

#include "engine/run_journal.h"
#include "foundation/exceptions.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "platform/dialogs.h"
#include "platform/termination_signals.h"
#include "tests/support/batch_chain.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QDir>
#include <QEventLoop>
#include <QFileInfo>
#include <QStringList>

#include <cstdio>
#include <optional>

namespace {

TAudioWavEncodingPref imaAdpcmPref()
{
    TAudioWavEncodingPref pref;
    pref.SamplingFrequency = 44100;
    pref.EncodingMode = wemDviImaAdpcm;
    pref.ChannelsMode = wcmStereo;
    pref.BitsPerSample = wbs16;
    return pref;
}

int fail(const QString& text)
{
    std::fprintf(stderr, "engine_bench: %s\n", qPrintable(text));
    return 1;
}

// No window waits for an answer: a message goes to the error output and is answered with OK.
class ConsoleDialogs : public plat::Dialogs {
public:
    plat::MessageAnswer ShowMessage(const plat::MessageRequest& request) override
    {
        std::fprintf(stderr, "engine_bench: %s\n",
                     qPrintable(QString(request.Text).replace('\r', '\n').trimmed()));
        return {plat::mrOk, false};
    }
    QString ChooseOpenFile(const plat::FileRequest&) override { return {}; }
    QStringList ChooseOpenFiles(const plat::FileRequest&) override { return {}; }
    QString ChooseSaveFile(const plat::FileRequest&) override { return {}; }
    QString ChooseFolder(const QString&, const QString&) override { return {}; }
};

std::optional<TOutputPolicy> policyNamed(const QString& name)
{
    if (name == "new")
        return TOutputPolicy{.GenerateNewName = true, .GenerateError = false, .Overwrite = false};
    if (name == "error")
        return TOutputPolicy{.GenerateNewName = false, .GenerateError = true, .Overwrite = false};
    if (name == "overwrite")
        return TOutputPolicy{.GenerateNewName = false, .GenerateError = false, .Overwrite = true};
    return std::nullopt;
}

} // namespace

int main(int argc, char** argv)
{
    QCoreApplication application(argc, argv);
    QCommandLineParser parser;
    const QCommandLineOption out("out", "The output folder.", "FOLDER");
    const QCommandLineOption policy("policy", "What to do with an existing output.", "new|error|overwrite",
                                    "new");
    parser.addOptions({out, policy});
    parser.addPositionalArgument("chain", "mpeg or wav");
    parser.addPositionalArgument("sources", "The source files, one batch.", "SOURCE...");
    const QString usage =
        "usage: engine_bench mpeg|wav SOURCE... [--out FOLDER] [--policy new|error|overwrite]";
    if (!parser.parse(QCoreApplication::arguments()))
        return fail(parser.errorText() + '\n' + usage);
    const QStringList arguments = parser.positionalArguments();
    const std::optional<TOutputPolicy> chosenPolicy = policyNamed(parser.value(policy));
    if (arguments.size() < 2 || (arguments[0] != "mpeg" && arguments[0] != "wav") || !chosenPolicy)
        return fail(usage);
    QStringList sources;
    for (const QString& source : arguments.mid(1))
        sources << QFileInfo(source).absoluteFilePath();
    QString folder;
    if (parser.isSet(out)) {
        if (!QFileInfo(parser.value(out)).isDir())
            return fail("no folder " + parser.value(out));
        folder = QDir(parser.value(out)).absolutePath() + '/';
    }

    plat::InstallDialogs(std::make_unique<ConsoleDialogs>());
    InitLanguage(false, QString(), true, QString());
    for (const QString& line : RecoverKilledRuns())
        std::fprintf(stderr, "engine_bench: %s\n", qPrintable(line));
    const QString programFolder = QCoreApplication::applicationDirPath() + '/';
    TooLameFolder = programFolder + "TooLame/";
    MplexFolder = programFolder + "Mplex/";
    TooLameFound = MplexFound = true;

    QStringList log;
    // A step's errors say why it failed, such as an output folder that takes no file.
    BatchChain batch([&log](QObject*, QString line) { log << line; },
                     [&log](TCommandInterface*, const TExecuteStatus& status) {
                         if (!status.IsSucceeded())
                             log << status.Errors;
                     });
    batch.SetOutputFolder(folder);
    batch.SetPolicy(*chosenPolicy);
    std::optional<bool> succeeded;
    try {
        if (arguments[0] == "mpeg")
            batch.AddMpegConversion(sources, TAudioMp2EncodingPref());
        else
            batch.AddWavConversion(sources, imaAdpcmPref());
    } catch (const EKorvaneError& error) {
        return fail(error.Message());
    }
    QEventLoop loop;
    plat::TerminationSignals termination([&batch](int) { batch.Queue.Cancel(); });
    batch.Run([&](QObject*, bool allSucceeded) {
        succeeded = allSucceeded;
        loop.quit();
    });
    if (!succeeded)
        loop.exec();
    if (termination.Received())
        return termination.ExitCode(0);
    for (const QString& written : batch.Written())
        std::printf("%s\n", qPrintable(written));
    if (!*succeeded || batch.Written().size() != sources.size())
        return fail("the conversion failed:\n" + log.join('\n'));
    return 0;
}
