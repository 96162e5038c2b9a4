// Starts the way the program does, as far as running twice is concerned, and reports on stdout:
// instance_probe guard     the instance guard, then the single-instance component on a window
// instance_probe justone   the single-instance component only
// It prints "running" once it runs, "activated" when a later copy handed over, and any message box text.
// With INSTANCE_PROBE_CHILD set it first starts "sleep 60" and prints "child <pid>".
#include "components/bring_window_to_front.h"
#include "foundation/instance_guard.h"
#include "foundation/just_one.h"
#include "platform/process.h"
#include "tests/programs/printing_dialogs.h"

#include <QApplication>
#include <QEvent>
#include <QWidget>

namespace {

// A running copy waits minimized: being restored is how it sees a later copy hand over.
class RestoreWatcher : public QObject {
protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::WindowStateChange && !static_cast<QWidget*>(watched)->isMinimized())
            say(QStringLiteral("activated"));
        return false;
    }
};

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    plat::InstallDialogs(std::make_unique<PrintingDialogs>());
    const QString mode = argc > 1 ? QString::fromLocal8Bit(argv[1]) : QString();
    plat::ChildProcess child;
    if (qEnvironmentVariableIsSet("INSTANCE_PROBE_CHILD") &&
        child.Start(QStringLiteral("sleep"), {QStringLiteral("60")}) == 0)
        say(QStringLiteral("child ") + QString::number(child.Pid()));
    if (mode == QStringLiteral("guard") && !StartInstanceGuard()) {
        say(QStringLiteral("refused"));
        return 1;
    }
    QWidget window;
    TXJustOne justOne;
    justOne.AlreadyExist = [](QObject*) { say(QStringLiteral("already")); };
    QObject::connect(&justOne, &TXJustOne::ActivationRequested, &window,
                     [&window] { BringWindowToFront(&window); });
    if (!justOne.Loaded())
        return 1;
    window.showMinimized();
    RestoreWatcher watcher;
    window.installEventFilter(&watcher);
    say(QStringLiteral("running"));
    return application.exec();
}
