#pragma once

#include "engine/command_common_data.h"
#include "engine/command_gui2_console.h"

#include <QObject>

#include <cstdint>
#include <memory>

// Active: the multiplexer was found.
using TMplexSettings = TConsoleToolSettings;
using TFakeSettings = TConsoleToolSettings;

class TMplexData : public QObject {
public:
    TCommandCommonData CommonData;
};

class TFakeData : public QObject {};

// Multiplexes the encoder's MPEG-1 Layer II file into a Video CD program stream with "mplex".
class TCommandMplex : public TCommandGui2Console {
public:
    TCommandMplex(QObject* owner, TCommandLogEvent onLog, const QString& name, const QString& statusText,
                  TMplexSettings settings, std::unique_ptr<TMplexData> data,
                  TAfterCommandEvent onAfterCommand, bool reportResult, bool doneFlag);
    ~TCommandMplex() override;

    void CheckBeforeRun(bool& ok) override;
    QString GetExePath() override;
    TConsoleArguments GetArguments() override;
    QString GetWorkDir() override;
    // The stage markers become progress, chatter is left out, levelled lines are tagged.
    void ParseLine(QString& line) override;
    TCommandCommonData* StepData() override;

    TMplexData* MplexData() const { return data_.get(); }
    std::int32_t Stage = 0; // 0 to 10, a tenth of the progress each

protected:
private:
    void Advance(const QString& line);

    TMplexSettings settings_;
    std::unique_ptr<TMplexData> data_;
};

// The last step of a WAV chain: it only ends the chain. It runs "mplex -help" and logs nothing of it;
// without a multiplexer it succeeds without running anything.
class TCommandFake : public TCommandGui2Console {
public:
    TCommandFake(QObject* owner, TCommandLogEvent onLog, const QString& name, const QString& statusText,
                 TFakeSettings settings, std::unique_ptr<TFakeData> data, TAfterCommandEvent onAfterCommand,
                 bool reportResult, bool doneFlag);
    ~TCommandFake() override;

    void Start(std::shared_ptr<TLineSink> echoMemo, TCommandFinishedEvent onFinished,
               TCommandTextEvent onStatus) override;
    void CheckBeforeRun(bool& ok) override;
    QString GetExePath() override;
    TConsoleArguments GetArguments() override;
    QString GetWorkDir() override;
    void ParseLine(QString& line) override;
    // Both end the main window's wait indication.
    void OnSuccess() override;
    void OnFailure() override;

private:
    TFakeSettings settings_;
    std::unique_ptr<TFakeData> data_;
};
