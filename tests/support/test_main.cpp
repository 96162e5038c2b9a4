#include "foundation/language.h"
#include "tests/support/patience.h"

#include <QDir>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>

// The engine's tests run without windows; the windows' tests build this file with KORVANE_TEST_WINDOWS.
#ifdef KORVANE_TEST_WINDOWS
#include "components/window_services.h"
#include "platform/icon_list.h"

#include <QApplication>
#include <QFileIconProvider>

using TestApplication = QApplication;
#else
#include <QCoreApplication>

using TestApplication = QCoreApplication;
#endif

namespace {

QtMessageHandler qtHandler = nullptr;

// A setting the store does not know is a fault the program would hide: fail the test that asked for it.
void failOnUnknownSettings(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    if (type == QtCriticalMsg && message.startsWith(QStringLiteral("Unknown setting")))
        ADD_FAILURE() << message.toStdString();
    if (qtHandler)
        qtHandler(type, context, message);
    else
        std::fprintf(stderr, "%s\n", qPrintable(qFormatLogMessage(type, context, message)));
}

// Each test has its own allowance for what it waits on.
class PatienceRestarter : public ::testing::EmptyTestEventListener {
    void OnTestStart(const ::testing::TestInfo&) override { RestartPatience(); }
};

} // namespace

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
    ::testing::UnitTest::GetInstance()->listeners().Append(new PatienceRestarter);
    qtHandler = qInstallMessageHandler(failOnUnknownSettings);
    TestApplication application(argc, argv);
    QCoreApplication::setApplicationName("Korvane");
#ifdef KORVANE_TEST_WINDOWS
    RegisterWindowServices();
    // The program's file icons; every test installs the dialogs it answers.
    plat::IconList::Instance().SetIconProvider(std::make_unique<QFileIconProvider>());
#endif
    // The program chooses its language before anything is shown; tests start in English.
    InitLanguage(false, QString(), true, QString());
    return RUN_ALL_TESTS();
}
