#include "engine/command_audio_to_wav.h"

#include <QApplication>
#include <QTextStream>

#include <cstdio>

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
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    if (!CheckAudioLibraries())
        return 1;
    QTextStream(stdout)
        << "Korvane " << KORVANE_VERSION
        << ": the conversion engine is built and tested; the main window does not exist yet.\n";
    return 0;
}
