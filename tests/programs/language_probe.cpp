// Chooses a language the way the program does without a saved choice and prints the code found:
// language_probe <program folder>
#include "foundation/language.h"
#include "platform/paths.h"

#include <QCoreApplication>
#include <QTextStream>

int main(int argc, char* argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2)
        return 2;
    plat::SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    plat::SetExecutableName(QStringLiteral("korvane"));
    InitLanguage(true, QString(), false, QString());
    QTextStream(stdout) << CurrentLanguageCode() << u'|' << GetLanguageExt() << u'\n';
    return 0;
}
