#include "app/korvane_main.h"
#include "foundation/program_globals.h"
#include "tests/support/temp_world.h"

namespace {

using MainWindow = TempWorld;

TEST_F(MainWindow, RoutesEachConsoleLineByItsTagOrWord)
{
    WarningPrefix = QStringLiteral("AVERTISSEMENT");
    ErrorPrefix = QStringLiteral("ERREUR");
    struct Case {
        const char* line;
        TConsoleLineKind kind;
        const char* text;
    };
    const Case cases[] = {
        {"", TConsoleLineKind::Information, ""},
        {"<log level=\"error\">bad</log>", TConsoleLineKind::TaggedLog, "<log level=\"error\">bad</log>"},
        {"<brindlowprogress message=\"x\" position=\"5\"/>", TConsoleLineKind::Progress,
         "<brindlowprogress message=\"x\" position=\"5\"/>"},
        {"<logbook>", TConsoleLineKind::Information, "<logbook>"},
        {"Done SUCCESSFULLY, no syntax error", TConsoleLineKind::Information, "Done SUCCESSFULLY, no syntax error"},
        {"a Syntax Error here", TConsoleLineKind::Error, "a Syntax Error here"},
        {"warning: clipped, WARNING again", TConsoleLineKind::Warning, "AVERTISSEMENT: clipped, WARNING again"},
        {"Error: no input", TConsoleLineKind::Error, "ERREUR: no input"},
        {"an ERROR inside", TConsoleLineKind::Information, "an ERROR inside"},
    };
    for (const Case& c : cases) {
        const TRoutedConsoleLine routed = RouteConsoleLine(QString::fromUtf8(c.line));
        EXPECT_EQ(routed.Kind, c.kind) << c.line;
        EXPECT_EQ(routed.Text, QString::fromUtf8(c.text)) << c.line;
    }
    WarningPrefix = QStringLiteral("WARNING");
    ErrorPrefix = QStringLiteral("ERROR");
}

TEST_F(MainWindow, ClampsTheProgressPosition)
{
    const std::pair<const char*, int> cases[] = {
        {"<brindlowprogress position=\"42\">", 42}, {"<brindlowprogress position=\"150\">", 100},
        {"<brindlowprogress position=\"-3\">", 0},  {"<brindlowprogress position=\"abc\">", 0},
        {"<brindlowprogress message=\"m\">", 0},
    };
    for (const auto& [line, position] : cases)
        EXPECT_EQ(ProgressLinePosition(QString::fromLatin1(line)), position) << line;
}

} // namespace
