#include "engine/command_audio_to_wav.h"

#include <QApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Korvane"));
    if (!CheckAudioLibraries())
        return 1;
    QTextStream(stdout)
        << "Korvane " << KORVANE_VERSION
        << ": the conversion engine is built and tested; the main window does not exist yet.\n";
    return 0;
}
