// Starts the program as the program does, in the world its environment names, and ends on SIGTERM,
// SIGHUP or SIGINT as the program does.
//   ending_probe PROGRAM_FOLDER                      waits idle
//   ending_probe PROGRAM_FOLDER settings             waits with the settings dialog open
//   ending_probe PROGRAM_FOLDER SOURCE MPLEX_FOLDER  converts SOURCE to MPEG with the policy that
//                [quit|ask]                          overwrites an existing output, the multiplexer
//                                                   taken from MPLEX_FOLDER; then asks to quit once
//                                                   the multiplexer runs (it writes its process id to
//                                                   mplex.pid beside itself), or asks what to do when
//                                                   a step fails
// It prints "running" once the message loop runs, and the text of every message box. Each box is the
// program's own, left open with its "don't show again" box ticked, as a user away from the screen
// leaves it.
#include "app/form_mpeg_audio.h"
#include "app/form_settings_batch.h"
#include "app/form_settings_general.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/form_registry.h"
#include "components/qt_dialogs.h"
#include "foundation/program_globals.h"
#include "platform/paths.h"
#include "tests/programs/printing_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFile>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

// The program's own message box, which stays until something closes it.
class OpenBoxes : public PrintingDialogs {
public:
    using PrintingDialogs::PrintingDialogs;
    plat::MessageAnswer ShowMessage(const plat::MessageRequest& request) override
    {
        say(QStringLiteral("message ") + request.Text.simplified());
        QWidget* owner = plat::DialogOwner();
        const auto box = plat::MakeMessageBox(request, owner);
        if (box->CheckBox())
            box->CheckBox()->setChecked(true);
        return box->Answer(plat::ExecOwned(*box, owner));
    }
};

template <typename Form> Form* findForm(const char* name)
{
    return qobject_cast<Form*>(FormRegistry::Instance().Find(QString::fromLatin1(name)));
}

// Asked while a step ends, the box holds the batch until it is answered and the multiplexer would never
// start: the user asks to quit only once it runs.
void closeWhenMplexRuns(TKorvaneForm& main, const QString& pidFile)
{
    QFile pid(pidFile);
    if (pid.open(QIODevice::ReadOnly) && pid.readAll().endsWith('\n'))
        main.close();
    else
        QTimer::singleShot(10, &main, [&main, pidFile] { closeWhenMplexRuns(main, pidFile); });
}

// Once the conversion page sits in the main window, the user picks the source and clicks Convert.
void convertWhenShown(TKorvaneForm& main, const QString& mplexFolder, const QString& then)
{
    auto* page = findForm<TPageMpegAudio>("PageMpegAudio");
    if (page->parentWidget() != main.PanelMain) {
        QTimer::singleShot(10, &main,
                           [&main, mplexFolder, then] { convertWhenShown(main, mplexFolder, then); });
        return;
    }
    findForm<TPageSettingsGeneral>("PageSettingsGeneral")->RadioButtonOverwriteFile->setChecked(true);
    findForm<TPageSettingsBatch>("PageSettingsBatch")->RadioButtonAskOnError->setChecked(then == "ask");
    MplexFolder = mplexFolder;
    page->findChild<QPushButton*>(QStringLiteral("ButtonBrowseOneFile"))->click();
    page->findChild<QPushButton*>(QStringLiteral("ButtonConvertCancel"))->click();
    if (then == "quit")
        closeWhenMplexRuns(main, mplexFolder + QStringLiteral("mplex.pid"));
}

} // namespace

int main(int argc, char* argv[])
{
    QApplication application(argc, argv);
    if (argc < 2)
        return 2;
    const QString source = argc > 3 ? QString::fromLocal8Bit(argv[2]) : QString();
    plat::InstallDialogs(std::make_unique<OpenBoxes>(source));
    plat::SetProgramFolder(QString::fromLocal8Bit(argv[1]));
    plat::SetExecutableName(QStringLiteral("korvane"));
    TProgramEnding ending;
    if (!InitializeUnits() || !PrepareStart())
        return ending.EndStart(1);
    TProgramForms forms;
    forms.CreateAll();
    TKorvaneForm& main = *forms.MainForm();
    if (argc == 3)
        QTimer::singleShot(0, &main, [&main] {
            say(QStringLiteral("settings"));
            main.MenuSettings->trigger();
        });
    else if (!source.isEmpty())
        convertWhenShown(main, QString::fromLocal8Bit(argv[3]),
                         argc > 4 ? QString::fromLatin1(argv[4]) : QString());
    QTimer::singleShot(0, [] { say(QStringLiteral("running")); });
    return ending.RunMainWindow(application, main);
}
