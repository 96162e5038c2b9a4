// engine_bench: converts one source through the engine's chain on the real queue, as a batch of one file,
// with the encoder and multiplexer beside this program. bench/run-bench.sh times it.
//   engine_bench mpeg|wav SOURCE
// "mpeg" writes a Video CD ".vcd.mpg" at 224 kbit/s stereo; "wav" an IMA ADPCM 16-bit stereo 44100 Hz WAV.
// The output goes beside the source and is removed once written: only the work counts.

#include "foundation/exceptions.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"
#include "tests/support/batch_chain.h"

#include <QApplication>
#include <QEventLoop>
#include <QFile>
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

} // namespace

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication application(argc, argv);
    const QStringList arguments = QApplication::arguments();
    if (arguments.size() != 3 || (arguments[1] != "mpeg" && arguments[1] != "wav"))
        return fail("usage: engine_bench mpeg|wav SOURCE");

    InitLanguage(false, QString(), true, QString());
    const QString programFolder = QApplication::applicationDirPath() + '/';
    TooLameFolder = programFolder + "TooLame/";
    MplexFolder = programFolder + "Mplex/";
    TooLameFound = MplexFound = true;

    QStringList log;
    BatchChain batch([&log](QObject*, QString line) { log << line; }, nullptr);
    std::optional<bool> succeeded;
    QString output;
    try {
        if (arguments[1] == "mpeg")
            output = batch.AddMpegConversion(arguments[2], TAudioMp2EncodingPref());
        else
            output = batch.AddWavConversion(arguments[2], imaAdpcmPref());
    } catch (const EKorvaneError& error) {
        return fail(error.Message());
    }
    QEventLoop loop;
    batch.Run([&](QObject*, bool allSucceeded) {
        succeeded = allSucceeded;
        loop.quit();
    });
    if (!succeeded)
        loop.exec();
    if (!*succeeded)
        return fail("the conversion failed:\n" + log.join('\n'));
    if (!QFile::remove(output))
        return fail("no output in " + output);
    return 0;
}
