#include "app/program_main.h"

#include "app/audio_mp2_settings_dialog.h"
#include "app/audio_wav_settings_dialog.h"
#include "app/dialog_about.h"
#include "app/dialog_credits.h"
#include "app/dialog_history.h"
#include "app/dialog_settings.h"
#include "app/form_about.h"
#include "app/form_credits.h"
#include "app/form_history.h"
#include "app/form_log.h"
#include "app/form_mpeg_audio.h"
#include "app/form_settings_batch.h"
#include "app/form_settings_expert.h"
#include "app/form_settings_general.h"
#include "app/form_settings_internet.h"
#include "app/form_settings_log.h"
#include "app/form_settings_sounds.h"
#include "app/form_settings_themes.h"
#include "app/info_dialog.h"
#include "app/korvane_main.h"
#include "app/tabbed_form.h"
#include "audio/acs_wave.h"
#include "components/qt_dialogs.h"
#include "components/window_services.h"
#include "engine/command_audio_to_wav.h"
#include "engine/tool_discovery.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/program_globals.h"
#include "foundation/settings.h"
#include "platform/dialogs.h"
#include "platform/icon_list.h"
#include "platform/sound_player.h"

#include <QApplication>
#include <QDialog>
#include <QFileIconProvider>
#include <QThread>

#include <exception>
#include <memory>
#include <type_traits>

namespace {

// How often the boxes that open while the program ends are closed.
constexpr int EndingSweepMs = 20;

// Whether the start-up flags hold what the settings file says, so that saving them loses nothing.
bool startupSettingsRead = false;

// Closes every dialog of the program as one closed without an answer, and an open menu; true when one was
// open.
bool closeOpenBoxes()
{
    QWidget* popup = QApplication::activePopupWidget();
    bool found = popup && popup->close();
    for (QWidget* window : QApplication::topLevelWidgets())
        if (auto* dialog = qobject_cast<QDialog*>(window); dialog && dialog->isVisible()) {
            dialog->reject();
            found = true;
        }
    return found;
}

// The "don't show again" choices of the start-up boxes, kept in the main window's settings file as it
// would have kept them when closing.
void saveDoNotShowChoices()
{
    TSettings store;
    DefineGuiSettings(store);
    store.SetIniSuffix(IniSuffix);
    store.Load();
    StoreDoNotShowSettings(&store);
    store.Save();
}

} // namespace

void InstallQtDialogsAndIcons()
{
    plat::InstallDialogs(std::make_unique<plat::QtDialogs>());
    plat::IconList::Instance().SetIconProvider(std::make_unique<QFileIconProvider>());
}

bool InitializeUnits()
{
    RegisterWindowServices();
    // Event sounds are read like any WAV file the program converts, whatever their encoding.
    plat::InstallSoundDecoder(DecodeWaveImage);
    InitSoundEvents();
    if (!CheckAudioLibraries())
        return false;
    QApplication::setApplicationName(ProgramName);
    return true;
}

bool PrepareStart()
{
    LoadGlobalSettings();
    startupSettingsRead = true;
    if (!FindTooLame())
        return false;
    FindMplex();
    // The multiplexer only warns, but a runtime conflict ends the program whichever tool shows it.
    if (RuntimeConflictFound())
        return false;
    QApplication::setApplicationName(ProgramName);
    return true;
}

TProgramForms::~TProgramForms()
{
    for (auto form = forms_.rbegin(); form != forms_.rend(); ++form)
        delete form->data();
}

template <typename Form> Form* TProgramForms::Create()
{
    // Pages are windows of their own until a host takes them in; dialogs belong to the main window.
    Form* form = nullptr;
    if constexpr (std::is_base_of_v<QDialog, Form>)
        form = new Form(MainForm());
    else
        form = new Form();
    forms_.emplace_back(form);
    return form;
}

void TProgramForms::CreateAll()
{
    forms_.emplace_back(new TKorvaneForm());
    Create<TPageSettingsExpert>();
    Create<TPageSettingsThemes>();
    Create<TInfoDlg>();
    Create<TPageCredits>();
    Create<TPageHistory>();
    Create<TPageAbout>();
    Create<TPageSettingsInternet>();
    Create<TPageLog>();
    Create<TPageSettingsSounds>();
    Create<TDlgCredits>();
    Create<TDlgAbout>();
    Create<TDlgHistory>();
    Create<TDlgSettings>();
    Create<TPageSettingsLog>();
    Create<TPageSettingsBatch>();
    Create<TPageSettingsGeneral>();
    Create<TFormToEmbed>();
    Create<TPageMpegAudio>()->MainWindowClosing = [] { return Closing; };
    Create<TAudioMp2SettingsDialog>();
    Create<TAudioWavSettingsDialog>();
}

TKorvaneForm* TProgramForms::MainForm() const
{
    return forms_.empty() ? nullptr : qobject_cast<TKorvaneForm*>(forms_.front().data());
}

int RunMessageLoop(QApplication& application)
{
    try {
        return application.exec();
    } catch (const std::exception& error) {
        plat::ShowError(QStringLiteral("Application.Run Exception:\r") + QString::fromUtf8(error.what()));
        return 0;
    }
}

TProgramEnding::TProgramEnding() : signals_([this](int) { closeBoxesThenWindow(); })
{
    sweep_.setInterval(EndingSweepMs);
    QObject::connect(&sweep_, &QTimer::timeout, [this] { closeBoxesThenWindow(); });
}

int TProgramEnding::EndStart(int programCode)
{
    if (!Requested())
        return programCode;
    if (startupSettingsRead)
        saveDoNotShowChoices();
    return signals_.ExitCode(programCode);
}

bool TProgramEnding::Requested()
{
    return signals_.Received() != 0;
}

int TProgramEnding::RunMainWindow(QApplication& application, TKorvaneForm& main)
{
    if (Requested())
        return EndStart(0);
    main_ = &main;
    AppRunning = true;
    main.show();
    return signals_.ExitCode(RunMessageLoop(application));
}

void TProgramEnding::closeBoxesThenWindow()
{
    if (!sweep_.isActive()) {
        plat::EndDialogs();
        sweep_.start();
    }
    // The batch is cancelled from the main loop only, once the loop of every box has ended: leaving from
    // a box's loop would end the program before the running step has cleaned up.
    if (closeOpenBoxes() || QThread::currentThread()->loopLevel() > 1 || !main_ || windowClosing_)
        return;
    windowClosing_ = true;
    main_->CloseWithoutConfirmation();
}
