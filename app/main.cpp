#include "app/korvane_main.h"
#include "app/program_main.h"
#include "foundation/instance_guard.h"
#include "foundation/just_one.h"
#include "platform/dialogs.h"

#include <QApplication>

#include <cstdio>
#include <exception>

namespace {

// Qt ends the process with a cryptic message when no display can be reached; say it plainly.
bool HasDisplay()
{
    return !qEnvironmentVariableIsEmpty("DISPLAY") || !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY") ||
           !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM");
}

} // namespace

int main(int argc, char* argv[])
{
    if (!HasDisplay()) {
        std::fputs("Korvane needs a graphical display: start it in an X11 or Wayland session.\n", stderr);
        return 1;
    }
    QApplication application(argc, argv);
    if (!StartInstanceGuard() || !InitializeUnits() || !PrepareStart())
        return 1;
    TProgramForms forms;
    try {
        forms.CreateAll();
    } catch (const std::exception& error) {
        plat::ShowError(QString::fromUtf8(error.what()));
        return 1;
    }
    // A copy already running has been brought to the front instead.
    if (!forms.MainForm()->XJustOneInstance->Loaded(forms.MainForm()))
        return 1;
    AppRunning = true;
    forms.MainForm()->show();
    return RunMessageLoop(application);
}
