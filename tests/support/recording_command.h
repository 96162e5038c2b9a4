#pragma once

#include "engine/command_interface.h"

// A step that records the hooks it was asked to run and the lines it logged.
class RecordingCommand : public TCommandInterface {
public:
    explicit RecordingCommand(QObject* data, const QString& name = "Encode")
        : TCommandInterface(
              nullptr, [this](QObject*, QString text) { Logged << text; }, name, "Encoding", data, nullptr,
              false, false)
    {
    }

    void OnSuccess() override { Hooks << "success"; }
    void OnFailure() override { Hooks << "failure"; }
    void OnCancel() override { Hooks << "cancel"; }
    void ParseLine(QString&) override {}
    void Cancel() override { Cancelled = true; }
    TCommandInterface* ReleaseHook() override { return this; }
    void Detach() override { OnFinished = nullptr; }

    QStringList Logged, Hooks;
};
