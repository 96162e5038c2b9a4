#pragma once

#include "foundation/program_globals.h"

#include <QObject>
#include <QPointer>
#include <QWidget>

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
    // keeps the title's lock and brings window to the front whenever a later copy asks. False: another
    // instance runs and was asked to come forward; the caller must not show its window and must end.
    bool Loaded(QWidget* window, const QString& title = ProgramName);

private:
    std::unique_ptr<plat::InstanceLock> lock_;
    std::unique_ptr<plat::ActivationServer> server_;
    QPointer<QWidget> window_;
};

// Restores a minimized window, else brings it to the top, then gives it the focus.
void BringWindowToFront(QWidget* window);
