#include "foundation/language.h"

#include <QApplication>
#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    if (!qEnvironmentVariableIsSet("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    if (!qEnvironmentVariableIsSet("KORVANE_AUDIO_OUTPUT"))
        qputenv("KORVANE_AUDIO_OUTPUT", "null");
    // Qt wants a private runtime folder before the application exists.
    QTemporaryDir runtime(QDir::tempPath() + QStringLiteral("/korvane-runtime-XXXXXX"));
    qputenv("XDG_RUNTIME_DIR", runtime.path().toUtf8());
    ::testing::InitGoogleTest(&argc, argv);
    QApplication application(argc, argv);
    QApplication::setApplicationName("Korvane");
    // The program chooses its language before anything is shown; tests start in English.
    InitLanguage(false, QString(), true, QString());
    return RUN_ALL_TESTS();
}
