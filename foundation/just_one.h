#pragma once

#include "foundation/program_globals.h"

#include <QObject>

#include <functional>
#include <memory>

namespace plat {
class ActivationServer;
class InstanceLock;
} // namespace plat

// Keeps one instance per application title: the main window owns one and calls Loaded once it is built.
class TXJustOne : public QObject {
    Q_OBJECT

public:
    explicit TXJustOne(QObject* parent = nullptr);
    ~TXJustOne() override;

    // Bring the running instance forward when another one is found.
    bool SwitchToPrevious = true;
    std::function<void(QObject* Sender)> AlreadyExist;

    // Call after the main window is built and before it is shown. True: this is the only instance; it
    // keeps the title's lock and tells ActivationRequested whenever a later copy asks to come forward.
    // False: another instance runs and was asked to come forward; the caller must not show its window
    // and must end.
    bool Loaded(const QString& title = ProgramName);

Q_SIGNALS:
    // The window that owns this component brings itself to the front.
    void ActivationRequested();

private:
    std::unique_ptr<plat::InstanceLock> lock_;
    std::unique_ptr<plat::ActivationServer> server_;
};
