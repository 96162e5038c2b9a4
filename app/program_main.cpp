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
#include "platform/dialogs.h"
#include "platform/icon_list.h"
#include "platform/sound_player.h"
#include "platform/termination_signals.h"

#include <QApplication>
#include <QDialog>
#include <QFileIconProvider>

#include <exception>
#include <memory>
#include <type_traits>

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

int RunMainWindow(QApplication& application, TKorvaneForm& main)
{
    const plat::TerminationSignals termination([window = QPointer<TKorvaneForm>(&main)](int) {
        if (window)
            window->CloseWithoutConfirmation();
    });
    AppRunning = true;
    main.show();
    return termination.ExitCode(RunMessageLoop(application));
}
