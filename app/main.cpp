#include "app/except_dlg_mail.h"
#include "app/korvane_application.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "foundation/instance_guard.h"
#include "foundation/just_one.h"
#include "platform/dialogs.h"

#include <cstdio>
#include <exception>

namespace {

// Without a display Qt aborts with advice to reinstall; say what is really missing. A platform chosen
// by name (offscreen, for one) needs none.
bool CheckDisplay()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        if (!qEnvironmentVariableIsEmpty(name))
            return true;
    }
    std::fputs("Korvane needs an X11 or Wayland display: neither DISPLAY nor WAYLAND_DISPLAY is set.\n",
               stderr);
    return false;
}

} // namespace

int main(int argc, char* argv[])
{
    if (!CheckDisplay())
        return 1;
    TKorvaneApplication application(argc, argv);
    InstallQtDialogsAndIcons();
    InstallExceptionHandlers();
    TProgramEnding ending;
    if (!StartInstanceGuard() || !InitializeUnits() || !PrepareStart())
        return ending.EndStart(1);
    TProgramForms forms;
    try {
        forms.CreateAll();
    } catch (const std::exception& error) {
        plat::ShowError(QString::fromUtf8(error.what()));
        return ending.EndStart(1);
    }
    // A copy already running has been brought to the front instead.
    if (!forms.MainForm()->XJustOneInstance->Loaded())
        return ending.EndStart(1);
    return ending.RunMainWindow(application, *forms.MainForm());
}
