#include "engine/commands_manager.h"

#include "engine/command_common_data.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/exceptions.h"
#include "foundation/language.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"

#include <QCoreApplication>

#include <algorithm>
#include <exception>

namespace {

QEvent::Type processFinishedMessage()
{
    static const QEvent::Type type = plat::RegisterWindowMessage(QStringLiteral("WM_PROCESS_FINISHED_") +
                                                                 QCoreApplication::applicationFilePath());
    return type;
}

// Fires a copy, so a handler that replaces the event does not destroy what runs.
template <typename Event, typename... Arguments> void fire(Event event, Arguments&&... arguments)
{
    if (event)
        event(std::forward<Arguments>(arguments)...);
}

// To be called inside a catch block.
QString currentExceptionMessage()
{
    try {
        throw;
    } catch (const EKorvaneError& error) {
        return error.Message();
    } catch (const std::exception& error) {
        return QString::fromUtf8(error.what());
    } catch (...) {
        return TranslateMsg(QStringLiteral("Unknown error"));
    }
}

QString padded(std::int64_t value, int width)
{
    return QStringLiteral("%1").arg(value, width, 10, QLatin1Char('0'));
}

} // namespace

TCommandsManager::TCommandsManager(TQueueTextEvent onCommandsStarting, TQueueFlagEvent onCommandDone,
                                   TQueueNotifyEvent onCommandsFinished, TQueueNotifyEvent onCommandsIdle,
                                   TQueueFlagEvent onCancelEnable, TQueueTextEvent onCommandStatus)
    : OnCommandsStarting(std::move(onCommandsStarting)), OnCommandDone(std::move(onCommandDone)),
      OnCommandsFinished(std::move(onCommandsFinished)), OnCommandsIdle(std::move(onCommandsIdle)),
      OnCommandStatus(std::move(onCommandStatus)), OnCancelEnable(std::move(onCancelEnable)),
      WindowHandle(std::make_unique<plat::MessageWindow>())
{
    WindowHandle->SetHandler(processFinishedMessage(),
                             [this](const plat::PostedMessage& message) { WndProc(message); });
    Reset();
}

TCommandsManager::~TCommandsManager()
{
    Reset();
    WindowHandle.reset();
}

void TCommandsManager::AddCommand(std::unique_ptr<TCommandInterface> command)
{
    if (!Running && command) {
        if (TCommandCommonData* data = command->StepData())
            data->Journal = &Journal;
        Commands.push_back(std::move(command));
    }
}

TCommandInterface* TCommandsManager::GetCommand(int index) const
{
    if (index < 0 || index > LastIndex())
        return nullptr;
    return Commands[static_cast<std::size_t>(index)].get();
}

void TCommandsManager::Run(const QString& title, bool stopOnError, std::shared_ptr<TLineSink> echoMemo,
                           TQueueNotifyEvent onQueueStarted, TQueueFlagEvent onQueueEnded,
                           TQueueFlagEvent onCommandStarting, int successSound, int failureSound,
                           bool releaseAtEnd, bool runIfEmpty)
{
    if (Running)
        return;
    Running = true;
    finishing_ = false;
    StopSoundEvent();
    StopOnError = stopOnError;
    EchoMemo = std::move(echoMemo);
    OnQueueStarted = std::move(onQueueStarted);
    OnQueueEnded = std::move(onQueueEnded);
    OnCommandStarting = std::move(onCommandStarting);
    SuccessSound = successSound;
    FailureSound = failureSound;
    ReleaseAtEnd = releaseAtEnd;
    if (IsEmpty() && !runIfEmpty) {
        Running = false;
        return;
    }
    fire(OnCommandsStarting, this, title);
    fire(OnQueueStarted, this);
    StartTime = CommandClockNow();
    LaunchNext(0);
}

void TCommandsManager::Cancel()
{
    if (!Running)
        return;
    fire(OnCancelEnable, this, false);
    fire(OnCommandStatus, this,
         TranslateMsg(QStringLiteral("Please wait while cancelling")) + QStringLiteral("..."));
    Aborting = true;
    StopOnError = true;
    for (int index = CurrentIndex + 1; index <= LastIndex(); ++index)
        GetCommand(index)->Cancelled = true;
    TCommandInterface* current = GetCommand(CurrentIndex);
    if (current && !current->Status.Done && current->Cancellable)
        current->Cancel();
}

void TCommandsManager::PostFinished(TCommandInterface* sender, const TExecuteStatus& status, QObject* data)
{
    if (!sender || !reported_.insert(sender).second)
        return;
    pendingFinished_[++lastSerial_] = {sender, &status, data};
    plat::Post(WindowHandle.get(), processFinishedMessage(), lastSerial_);
}

void TCommandsManager::Reset()
{
    StopOnError = true;
    ReleaseAtEnd = false;
    Aborting = false;
    for (const auto& command : Commands)
        command->Detach();
    Commands.clear();
    Commands.reserve(100);
    CurrentIndex = -1;
    pendingFinished_.clear();
    reported_.clear();
}

QString TCommandsManager::FormatElapsed(std::int64_t milliseconds)
{
    // Hours are not wrapped at a day: a long batch still reads right.
    const std::int64_t hours = milliseconds / 3'600'000;
    const std::int64_t minutes = milliseconds / 60'000 % 60;
    const QString text = padded(milliseconds / 1000 % 60, 2) + QStringLiteral("s ") +
                         padded(milliseconds % 1000, 3) + QStringLiteral("ms");
    if (hours > 0)
        return QString::number(hours) + QStringLiteral("h ") + padded(minutes, 2) + QStringLiteral("m ") +
               text;
    if (minutes > 0)
        return padded(minutes, 2) + QStringLiteral("m ") + text;
    return text;
}

void TCommandsManager::WndProc(const plat::PostedMessage& message)
{
    // Handled now, the end could free the step while its Start is still running: ask again later.
    if (starting_) {
        plat::Post(WindowHandle.get(), processFinishedMessage(), message.WParam);
        return;
    }
    const auto found = pendingFinished_.find(message.WParam);
    if (found == pendingFinished_.end())
        return;
    const TCommandFinishedRec finished = found->second;
    pendingFinished_.erase(found);
    try {
        HandleFinished(finished.Command, *finished.Status, finished.Data);
    } catch (...) {
        plat::ShowError(currentExceptionMessage());
        EndAfterError();
    }
}

// A handler that threw must not leave the batch running for ever: it ends now, its end events fired once.
void TCommandsManager::EndAfterError()
{
    if (!Running)
        return;
    if (!finishing_) {
        try {
            FinishAll();
            return;
        } catch (...) {
            plat::ShowError(currentExceptionMessage());
        }
    }
    Reset();
    Running = false;
}

void TCommandsManager::LaunchNext(int index)
{
    if (Aborting) {
        FinishAll();
        return;
    }
    TCommandInterface* command = nullptr;
    for (;; ++index) {
        CurrentIndex = index;
        command = GetCommand(index);
        if (!command) {
            FinishAll();
            return;
        }
        if (!command->Skipped)
            break;
    }
    if (command->Cancelled) {
        FinishAll();
        return;
    }
    fire(OnCancelEnable, this, command->Cancellable);
    fire(OnCommandStarting, this, command->Cancellable);
    if (!command->StatusText.isEmpty())
        fire(OnCommandStatus, this, command->StatusText);
    StartCommand(*command);
}

void TCommandsManager::StartCommand(TCommandInterface& command)
{
    starting_ = true;
    try {
        command.Start(
            EchoMemo,
            [this](TCommandInterface* sender, const TExecuteStatus& status, QObject* data) {
                PostFinished(sender, status, data);
            },
            OnCommandStatus);
        starting_ = false;
    } catch (...) {
        starting_ = false;
        FailStart(command, currentExceptionMessage());
    }
}

// A step whose Start threw would never report its end, and the queue would run for ever: fail it.
void TCommandsManager::FailStart(TCommandInterface& command, const QString& message)
{
    ReportStartError(command, message);
    try {
        command.Finish(this, 1);
    } catch (...) {
        ReportStartError(command, currentExceptionMessage());
    }
    if (reported_.count(&command) == 0) {
        command.Status.SetFailed();
        PostFinished(&command, command.Status, command.Data);
    }
}

void TCommandsManager::ReportStartError(TCommandInterface& command, const QString& message)
{
    command.Status.Errors.append(message);
    command.DoLog(this, TCommandInterface::FormatTaggedLogLine(QString(), QStringLiteral("error"), message));
}

void TCommandsManager::HandleFinished(TCommandInterface* command, const TExecuteStatus& status, QObject* data)
{
    const std::int64_t now = CommandClockNow();
    fire(OnCancelEnable, this, false);
    if (command != GetCommand(CurrentIndex))
        plat::MessageDlg(QStringLiteral("INTERNAL ERROR: ReceivedCommand is not LaunchedCommand"),
                         plat::TMsgDlgType::mtCustom, plat::mbOK);
    LogElapsed(*command, now);
    fire(OnCommandDone, this, command->DoneFlag);
    bool continueBatch = CurrentIndex < LastIndex() && !Aborting;
    fire(command->OnAfterCommand, command, status, data, continueBatch);
    if (CurrentIndex == LastIndex() || (!status.IsSucceeded() && StopOnError) || !continueBatch || Aborting) {
        FinishAll();
        return;
    }
    for (int index = CurrentIndex + 1; index <= std::min(CurrentIndex + command->SkipNextCount, LastIndex());
         ++index)
        GetCommand(index)->Skipped = true;
    LaunchNext(CurrentIndex + 1);
}

void TCommandsManager::LogElapsed(TCommandInterface& command, std::int64_t now)
{
    if (command.StartTime == 0 || now - command.StartTime <= 0)
        return;
    QString text = FormatElapsed(now - command.StartTime);
    if (!command.Name.isEmpty())
        text += QStringLiteral(" (") + command.Name + u')';
    command.DoLog(this, u'[' + text + u']');
}

void TCommandsManager::FinishAll()
{
    finishing_ = true;
    const std::int64_t now = CommandClockNow();
    fire(OnCancelEnable, this, false);
    DiscardUnusedInputs();
    bool allSucceeded = true;
    for (const auto& command : Commands) {
        if (ReleaseAtEnd)
            command->ReleaseHook();
        allSucceeded = allSucceeded && command->Status.IsSucceeded();
    }
    if (Commands.size() > 1 && StartTime > 0 && now - StartTime > 0) {
        const QString allTasks = TranslateMsg(QStringLiteral("All tasks, and user interactions if any"));
        Commands.front()->DoLog(this, u'[' + FormatElapsed(now - StartTime) + QStringLiteral(" (") +
                                          allTasks + QStringLiteral(")]"));
    }
    ReportResults();
    Reset();
    fire(OnQueueEnded, this, allSucceeded);
    fire(OnCommandsFinished, this);
    Running = false;
    fire(OnCommandsIdle, this);
}

// A batch that ends early (cancel, veto, stop on error) leaves steps that never ran; the intermediate
// files made for them would otherwise stay in the temporary folder.
void TCommandsManager::DiscardUnusedInputs()
{
    for (const auto& command : Commands)
        if (TCommandCommonData* data = command->StartTime == 0 ? command->StepData() : nullptr)
            data->DiscardUnusedInput(*command);
}

void TCommandsManager::ReportResults()
{
    const auto reports = [](const auto& command) { return !command->Skipped && command->ReportResult; };
    const bool bad = std::any_of(Commands.begin(), Commands.end(), [&](const auto& command) {
        const TExecuteStatus& status = command->Status;
        return reports(command) && ((status.Done && !status.Succeeded) || status.Cancelled);
    });
    if (bad) {
        PlaySoundEvent(FailureSound);
        for (const auto& command : Commands)
            if (reports(command) && !command->Status.IsSucceeded())
                ShowResult(*command, TranslateMsg(command->Name));
        return;
    }
    QString successes;
    for (const auto& command : Commands) {
        if (!reports(command))
            continue;
        const QString text = command->Status.GetSuccessText(
            TranslateMsg(QStringLiteral("\"%s\" execution succeeded")), TranslateMsg(command->Name), true);
        if (!text.isEmpty())
            successes += text + u'\r';
    }
    PlaySoundEvent(SuccessSound);
    if (successes.isEmpty())
        return;
    const QString title =
        Format(TranslateMsg(QStringLiteral("%s success")), QCoreApplication::applicationName());
    plat::MessageDlg(u'\r' + title + QStringLiteral("\r\r\r") + successes, plat::TMsgDlgType::mtInformation,
                     plat::mbOK);
}

// Only steps that did not succeed get a box of their own.
void TCommandsManager::ShowResult(const TCommandInterface& command, const QString& name)
{
    const TExecuteStatus& status = command.Status;
    if (status.IsFailed()) {
        const QString failed = TranslateMsg(QStringLiteral("\"%s\" execution failed"));
        const QString text = status.Errors.isEmpty() ? Format(failed, name) + u'.'
                                                     : status.GetErrorText(failed + u':', name, false);
        plat::MessageDlg(u'\r' + text, plat::TMsgDlgType::mtError, plat::mbOK);
    } else if (status.IsCancelled()) {
        plat::MessageDlg(u'\r' + Format(TranslateMsg(QStringLiteral("\"%s\" execution cancelled")), name) +
                             u'.',
                         plat::TMsgDlgType::mtWarning, plat::mbOK);
    }
}
