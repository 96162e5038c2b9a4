#pragma once

#include "engine/command_interface.h"
#include "engine/console_io.h"

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

class TCommandCommonData;

// The arguments of one program run: the vector the program receives, and the text shown for it.
// The text is only ever displayed; names reach the program exactly as they are.
class TConsoleArguments {
public:
    // Fixed options, written as the command line shows them; each blank-separated word is one argument.
    TConsoleArguments& Options(const QString& text);
    // A file name: one argument, shown in double quotes. A relative name is taken from the current
    // folder, since the program runs in its own.
    TConsoleArguments& FileName(const QString& name);

    const QStringList& List() const { return list_; }
    const QString& Text() const { return text_; }

private:
    QStringList list_;
    QString text_;
};

// The one-byte settings of a console step: its arguments are built only when Active is 1 (the builder
// puts the tool-found flag there).
struct TConsoleToolSettings {
    std::uint8_t Active = 0;
};

// A step that runs one console program through a runner of its own: every output line becomes a log
// line through HandleLine, and the program's exit code ends the step (0 = success).
class TCommandGui2Console : public TCommandInterface {
public:
    TCommandGui2Console(QObject* owner, TCommandLogEvent onLog, const QString& name,
                        const QString& statusText, QObject* data, TAfterCommandEvent onAfterCommand,
                        bool reportResult, bool doneFlag);
    ~TCommandGui2Console() override;

    void Finish(QObject* sender, int errorCode) override;
    // Trims the line and keeps the runtime-conflict help lines out of the log.
    void ParseLine(QString& line) override;
    void Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
               TCommandTextEvent onStatus) override;
    // Kills the program at once and ends the step as cancelled.
    void Cancel() override;
    TCommandInterface* ReleaseHook() override { return this; }
    void Detach() override;

    // Clears ok to refuse the run; the step then ends at once without running anything.
    virtual void CheckBeforeRun(bool& ok) = 0;
    virtual QString GetExePath() = 0;
    // Empty when the command's settings do not allow a run.
    virtual TConsoleArguments GetArguments() = 0;
    virtual QString GetWorkDir() = 0;

protected:
    // Every run of blanks becomes one and "( " becomes "(", trimmed.
    static QString CollapseBlanks(const QString& line);
    // "INFO:", "++ WARN:" and "**ERROR:" lines become tagged log lines; the error texts also go to the
    // status's errors.
    void TagLevel(QString& line);
    // The folder with its trailing "/", then the name. A tool that was not found has no folder: its path
    // then names nothing, rather than whatever PATH holds of that name.
    static QString ToolPath(const QString& folder, const QString& name);

private:
    void Unhook();
    void Configure();
    void Echo();
    void HandleError(const QString& message);
    void Refuse();
    // A program ended by a signal says nothing itself: the step says which one and how.
    void ReportEndSignal();
    // A program killed or dead before its end never renames the output it was writing under a hidden
    // temporary name (where the file system has no unnamed files): that file goes with the run.
    void RemoveHiddenOutput();

    std::unique_ptr<TGUI2Console> console_;
};
