#include "engine/command_mplex.h"

#include "foundation/global_events.h"
#include "foundation/program_globals.h"
#include "foundation/useful_files.h"
#include "foundation/useful_string.h"
#include "platform/messages.h"
#include "platform/paths.h"

#include <algorithm>
#include <utility>

namespace {

constexpr std::int32_t kLastStage = 10;

// Rate and profile chatter of the multiplexer, of no use in the log.
const char* const kNoiseLines[] = {
    "target data-rate specified", "data-rate", "data rate", "Selecting VCD", "Audio-only",
};

bool isNoise(const QString& line)
{
    // Errors and warnings always reach the log, whatever they mention.
    if (StartsWithNoCase(line, QStringLiteral("**ERROR:")) ||
        StartsWithNoCase(line, QStringLiteral("++ WARN:")))
        return false;
    return std::any_of(std::begin(kNoiseLines), std::end(kNoiseLines),
                       [&line](const char* noise) { return ContainsTextNoCase(line, QLatin1String(noise)); });
}

QString mplexName()
{
    return QStringLiteral("mplex");
}

} // namespace

TCommandMplex::TCommandMplex(QObject* owner, TCommandLogEvent onLog, const QString& name,
                             const QString& statusText, TMplexSettings settings,
                             std::unique_ptr<TMplexData> data, TAfterCommandEvent onAfterCommand,
                             bool reportResult, bool doneFlag)
    : TCommandGui2Console(owner, std::move(onLog), name, statusText, data.get(), std::move(onAfterCommand),
                          reportResult, doneFlag),
      settings_(settings), data_(std::move(data))
{
}

TCommandMplex::~TCommandMplex() = default;

void TCommandMplex::CheckBeforeRun(bool& ok)
{
    Stage = 0;
    ok = false;
    plat::PumpEvents();
    // A cancel that arrived during the pump must not go on to prepare (and so delete) the output.
    if (!data_ || Cancelled)
        return;
    TCommandCommonData& common = data_->CommonData;
    if (!CheckExistingFileName(common.InputFile, QStringLiteral("\"MP2 (MPEG Audio Layer 2)\""), true) ||
        !common.CheckOutputFile(*this))
        return;
    ok = true;
    plat::PumpEvents();
}

QString TCommandMplex::GetExePath()
{
    return ToolPath(MplexFolder, mplexName());
}

TConsoleArguments TCommandMplex::GetArguments()
{
    TConsoleArguments arguments;
    if (!data_ || settings_.Active != 1)
        return arguments;
    // The output comes first.
    arguments.Options(QStringLiteral(" -vbr -r 2000 -f 2 -h -o "))
        .FileName(UncToForwardSlashes(data_->CommonData.WorkFile))
        .Options(QStringLiteral(" "))
        .FileName(UncToForwardSlashes(data_->CommonData.InputFile));
    return arguments;
}

QString TCommandMplex::GetWorkDir()
{
    return plat::WithTrailingSlash(MplexFolder);
}

void TCommandMplex::ParseLine(QString& line)
{
    TCommandGui2Console::ParseLine(line);
    if (line.isEmpty())
        return;
    line = CollapseBlanks(line);
    // Every line counts for the progress, also one left out of the log.
    Advance(line);
    if (isNoise(line))
        line.clear();
    else
        TagLevel(line);
}

TCommandCommonData* TCommandMplex::StepData()
{
    return data_ ? &data_->CommonData : nullptr;
}

void TCommandMplex::Advance(const QString& line)
{
    if (Stage >= 4)
        ++Stage;
    if (Stage == 0 && line.contains(QStringLiteral("Scanning for header info")))
        Stage = 2;
    if (Stage == 2 && line.contains(QStringLiteral("New sequence commences...")))
        Stage = 3;
    if (Stage == 3 && line.contains(QStringLiteral("Multiplex completion")))
        Stage = 4;
    if (line.contains(QStringLiteral("MUX STATUS")))
        Stage = kLastStage;
    Stage = std::clamp(Stage, 0, kLastStage);
    if (data_)
        data_->CommonData.SetProgress(*this, Stage, kLastStage);
}

TCommandFake::TCommandFake(QObject* owner, TCommandLogEvent onLog, const QString& name,
                           const QString& statusText, TFakeSettings settings, std::unique_ptr<TFakeData> data,
                           TAfterCommandEvent onAfterCommand, bool reportResult, bool doneFlag)
    : TCommandGui2Console(owner, std::move(onLog), name, statusText, data.get(), std::move(onAfterCommand),
                          reportResult, doneFlag),
      settings_(settings), data_(std::move(data))
{
}

TCommandFake::~TCommandFake() = default;

void TCommandFake::Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
                         TCommandTextEvent onStatus)
{
    if (settings_.Active == 1) {
        TCommandGui2Console::Start(std::move(echoMemo), std::move(onFinished), std::move(onStatus));
        return;
    }
    // Without a multiplexer there is nothing to run, and the WAV written before is no less a success.
    if (Cancelled)
        return;
    TCommandInterface::Start(std::move(echoMemo), std::move(onFinished), std::move(onStatus));
    Status.Started = true;
    Finish(this, 0);
}

void TCommandFake::CheckBeforeRun(bool& ok)
{
    if (ok)
        plat::PumpEvents();
}

QString TCommandFake::GetExePath()
{
    return ToolPath(MplexFolder, mplexName());
}

TConsoleArguments TCommandFake::GetArguments()
{
    return TConsoleArguments().Options(QStringLiteral("-help"));
}

QString TCommandFake::GetWorkDir()
{
    return plat::WithTrailingSlash(MplexFolder);
}

void TCommandFake::ParseLine(QString& line)
{
    TCommandGui2Console::ParseLine(line);
    line.clear();
}

void TCommandFake::OnSuccess()
{
    FireWaitEnd(this);
}

void TCommandFake::OnFailure()
{
    FireWaitEnd(this);
}
