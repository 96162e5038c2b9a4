// Starts the program's windows as the program does, in the world its environment names, and ends on
// SIGTERM, SIGHUP or SIGINT as the program does.
//   ending_probe PROGRAM_FOLDER                      waits idle
//   ending_probe PROGRAM_FOLDER settings             waits with the settings dialog open
//   ending_probe PROGRAM_FOLDER SOURCE MPLEX_FOLDER  converts SOURCE to MPEG with the policy that
//                                                   overwrites an existing output, the multiplexer
//                                                   taken from MPLEX_FOLDER
// It prints "running" once the message loop runs, and the text of every message box.
#include "app/form_mpeg_audio.h"
#include "app/form_settings_general.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/form_registry.h"
#include "foundation/program_globals.h"
#include "platform/paths.h"
#include "tests/programs/printing_dialogs.h"

#include <QApplication>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

template <typename Form> Form* findForm(const char* name)
{
    return qobject_cast<Form*>(FormRegistry::Instance().Find(QString::fromLatin1(name)));
}

// Once the conversion page sits in the main window, the user picks the source and clicks Convert.
void convertWhenShown(TKorvaneForm& main, const QString& mplexFolder)
{
    auto* page = findForm<TPageMpegAudio>("PageMpegAudio");
    if (page->parentWidget() != main.PanelMain) {
        QTimer::singleShot(10, &main, [&main, mplexFolder] { convertWhenShown(main, mplexFolder); });
        return;
    }
    findForm<TPageSettingsGeneral>("PageSettingsGeneral")->RadioButtonOverwriteFile->setChecked(true);
    MplexFolder = mplexFolder;
    page->findChild<QPushButton*>(QStringLiteral("ButtonBrowseOneFile"))->click();
    page->findChild<QPushButton*>(QStringLiteral("ButtonConvertCancel"))->click();
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    const QString source = argc > 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    plat::InstallDialogs(std::make_unique<PrintingDialogs>(source));
    plat::SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    plat::SetExecutableName(QStringLiteral("korvane"));
    if (!InitializeUnits() || !PrepareStart())
        return 1;
    TProgramForms forms;
    forms.CreateAll();
    TKorvaneForm& main = *forms.MainForm();
    if (argc == 3)
        QTimer::singleShot(0, &main, [&main] {
            say(QStringLiteral("settings"));
            main.MenuSettings->trigger();
        });
    else if (!source.isEmpty())
        convertWhenShown(main, QString::fromLocal8Bit(argv[3]));
    QTimer::singleShot(0, [] { say(QStringLiteral("running")); });
    return RunMainWindow(application, main);
}
