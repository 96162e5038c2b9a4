#include "engine/command_too_lame.h"

#include "engine/command_audio_to_wav.h"
#include "foundation/language.h"
#include "foundation/log_procedures.h"
#include "foundation/program_globals.h"
#include "foundation/useful_files.h"
#include "foundation/useful_string.h"
#include "platform/encoder_banner.h"
#include "platform/messages.h"
#include "platform/paths.h"

#include <utility>

namespace {

constexpr std::int64_t kSamplingRate = 44100;
constexpr std::int64_t kSamplesPerFrame = 1152;
// A counter line is "[frames]" and shorter than this.
constexpr qsizetype kCounterLength = 10;

// Lines of the encoder's banner and of its internals, of no use in the log.
const char* const kNoiseLines[] = {
    "tooLAME version", plat::kEncoderHomePage,  "MPEG Audio Layer II encoder",
    "encode_init:",    "Hit end of audio data", "absthr",
};

QString channelModeOption(TMp2ChannelMode mode)
{
    switch (mode) {
    case mcmMono:
        return QStringLiteral("-a -m m ");
    case mcmStereo:
        return QStringLiteral("-m s ");
    case mcmJointStereo:
        return QStringLiteral("-m j ");
    case mcmDualChannel:
        return QStringLiteral("-m d ");
    }
    return QString();
}

} // namespace

TCommandTooLame::TCommandTooLame(QObject* owner, TCommandLogEvent onLog, const QString& name,
                                 const QString& statusText, TWavToMpegSettings settings,
                                 std::unique_ptr<TWavToMpegInfo> data, TAfterCommandEvent onAfterCommand,
                                 bool reportResult, bool doneFlag)
    : TCommandGui2Console(owner, std::move(onLog), name, statusText, data.get(), std::move(onAfterCommand),
                          reportResult, doneFlag),
      settings_(settings), info_(std::move(data))
{
}

TCommandTooLame::~TCommandTooLame() = default;

void TCommandTooLame::CheckBeforeRun(bool& ok)
{
    plat::PumpEvents();
    ok = false;
    // A cancel that arrived during the pump must not go on to prepare (and so delete) the output.
    if (!info_ || Cancelled)
        return;
    TCommandCommonData& common = info_->CommonData;
    if (!CheckExistingFileName(common.InputFile, u'"' + TranslateMsg(QStringLiteral("WAV Audio file")) + u'"',
                               true)) {
        LogError(QStringLiteral("Problem with input file: ") + common.InputFile);
        return;
    }
    if (!CheckOutputFileName(common.OutputFile, true)) {
        LogError(QStringLiteral("Problem with output file: ") + common.OutputFile);
        return;
    }
    if (!common.CheckOutputFile(*this))
        return;
    if (!info_->WavAnalyser) {
        LogError(QStringLiteral("WAV Analyser is nil"));
        return;
    }
    if (!InputUsable()) {
        LogError(QStringLiteral("Bad WAV for MPEG encoding: ") + common.InputFile);
        return;
    }
    common.SetProgress(*this, 0, 100);
    ok = true;
    plat::PumpEvents();
}

QString TCommandTooLame::GetExePath()
{
    return ToolPath(TooLameFolder, QStringLiteral("toolame"));
}

TConsoleArguments TCommandTooLame::GetArguments()
{
    TConsoleArguments arguments;
    if (!info_ || settings_.Active != 1)
        return arguments;
    const TAudioMp2EncodingPref& pref = info_->Mp2Pref;
    if (pref.CopyrightFlag)
        arguments.Options(QStringLiteral("-c "));
    if (pref.OriginalFlag)
        arguments.Options(QStringLiteral("-o "));
    if (pref.ErrorProtection)
        arguments.Options(QStringLiteral("-e "));
    arguments.Options(QStringLiteral("-r -p 1 "))
        .Options(channelModeOption(pref.ChannelMode))
        .Options(QStringLiteral("-t 2 "))
        .Options(QStringLiteral("-b ") + QString::number(pref.BitRate) + u' ')
        .Options(QStringLiteral(" -s 44.1 "))
        .FileName(UncToForwardSlashes(info_->CommonData.InputFile))
        .Options(QStringLiteral(" "))
        .FileName(UncToForwardSlashes(info_->CommonData.WorkFile));
    return arguments;
}

QString TCommandTooLame::GetWorkDir()
{
    return plat::WithTrailingSlash(TooLameFolder);
}

void TCommandTooLame::ParseLine(QString& line)
{
    TCommandGui2Console::ParseLine(line);
    if (line.isEmpty())
        return;
    for (const char* noise : kNoiseLines)
        if (ContainsTextNoCase(line, QLatin1String(noise))) {
            line.clear();
            return;
        }
    line = CollapseBlanks(line);
    if (TakeFrameCounter(line)) {
        line.clear();
        return;
    }
    TagLevel(line);
}

void TCommandTooLame::OnSuccess()
{
    TCommandGui2Console::OnSuccess();
    Status.Successes << QStringLiteral("Mpeg Audio file encoded successfully");
}

TCommandCommonData* TCommandTooLame::StepData()
{
    return info_ ? &info_->CommonData : nullptr;
}

bool TCommandTooLame::InputUsable()
{
    TWaveIn& analyser = *info_->WavAnalyser;
    analyser.FileName = info_->CommonData.InputFile;
    bool usable = false;
    try {
        usable = IsVcdReadyWav(&analyser);
        if (usable)
            info_->FrameCount =
                std::int32_t(std::int64_t(analyser.GetTotalTime()) * kSamplingRate / kSamplesPerFrame);
    } catch (const EKorvaneError&) {
        usable = false; // a header the reader cannot take is no input for the encoder either
    }
    analyser.Reset();
    return usable;
}

bool TCommandTooLame::TakeFrameCounter(const QString& line)
{
    if (!line.startsWith(u'[') || !line.endsWith(u']') || line.size() >= kCounterLength)
        return false;
    if (info_ && info_->FrameCount > 0) {
        // Anything but a number counts as no frame done.
        const std::int64_t frames = line.mid(1, line.size() - 2).trimmed().toLongLong();
        info_->CommonData.SetProgress(*this, frames, info_->FrameCount);
    }
    return true;
}
