// Makes the README's pictures from the program's own windows, drawn offscreen:
//   make_screenshots <output folder>
// It runs beside the built program (its tools and resources) with the settings of a fresh user.
#include "app/audio_mp2_settings_dialog.h"
#include "app/dialog_about.h"
#include "app/dialog_credits.h"
#include "app/except_dlg_mail.h"
#include "app/form_log.h"
#include "app/form_mpeg_audio.h"
#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/form_registry.h"
#include "engine/commands_manager.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <cmath>
#include <cstdio>
#include <stdexcept>

namespace {

QString outputFolder;

// Answers the open-file chooser with the demonstration source; every other dialog is answered
// with its first button.
class DemoDialogs : public plat::Dialogs {
public:
    explicit DemoDialogs(QString source) : source_(std::move(source)) {}
    plat::MessageAnswer ShowMessage(const plat::MessageRequest&) override { return {plat::mrOk, false}; }
    QString ChooseOpenFile(const plat::FileRequest&) override { return source_; }
    QStringList ChooseOpenFiles(const plat::FileRequest&) override { return {source_}; }
    QString ChooseSaveFile(const plat::FileRequest&) override { return {}; }
    QString ChooseFolder(const QString&, const QString&) override { return {}; }

private:
    QString source_;
};

void waitUntil(const std::function<bool()>& condition, int milliseconds = 30000)
{
    QElapsedTimer clock;
    clock.start();
    while (!condition() && clock.elapsed() < milliseconds)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
}

void save(QWidget* widget, const char* name)
{
    QCoreApplication::processEvents();
    const QString fileName = outputFolder + QLatin1String(name);
    if (!widget->grab().save(fileName))
        std::fprintf(stderr, "cannot write %s\n", qPrintable(fileName));
}

// A minute of a stereo chord, long enough to be seen converting.
QString writeDemoSource(const QString& folder)
{
    constexpr int rate = 44100, seconds = 60;
    QByteArray data;
    for (int index = 0; index < rate * seconds; ++index) {
        const double t = double(index) / rate;
        const auto left = static_cast<qint16>(8000 * std::sin(2 * M_PI * 440 * t));
        const auto right = static_cast<qint16>(8000 * std::sin(2 * M_PI * 554.37 * t));
        data.append(reinterpret_cast<const char*>(&left), 2).append(reinterpret_cast<const char*>(&right), 2);
    }
    QByteArray header("RIFF");
    const auto put32 = [&header](quint32 value) { header.append(reinterpret_cast<const char*>(&value), 4); };
    const auto put16 = [&header](quint16 value) { header.append(reinterpret_cast<const char*>(&value), 2); };
    put32(36 + data.size());
    header.append("WAVEfmt ");
    put32(16), put16(1), put16(2), put32(rate), put32(rate * 4), put16(4), put16(16);
    header.append("data");
    put32(data.size());
    const QString name = folder + QStringLiteral("Demo song.wav");
    QFile file(name);
    if (file.open(QIODevice::WriteOnly))
        file.write(header + data);
    return name;
}

// The crash report of an error thrown on purpose, with its details open.
void saveCrashReport()
{
    TCaughtException caught;
    try {
        throw std::runtime_error("The demonstration of the crash report");
    } catch (...) {
        caught = CurrentCaughtException();
    }
    TExceptionDialogMail dialog;
    dialog.SetException(caught, nullptr);
    dialog.ShowDetails(true);
    dialog.show();
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 700)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    save(&dialog, "crash-report.png");
}

template <typename Dialog>
void grabModal(Dialog* dialog, void (*show)(Dialog*), const char* name, int delay = 700)
{
    if (!dialog)
        return;
    QTimer::singleShot(delay, dialog, [dialog, name] {
        save(dialog, name);
        dialog->accept();
    });
    show(dialog);
}

} // namespace

int main(int argc, char* argv[])
{
    if (argc < 2) {
        std::fputs("usage: make_screenshots <output folder>\n", stderr);
        return 2;
    }
    QApplication application(argc, argv);
    InstallQtDialogsAndIcons();
    outputFolder = QDir(QString::fromLocal8Bit(argv[1])).absolutePath() + QLatin1Char('/');
    if (!InitializeUnits() || !PrepareStart())
        return 1;
    plat::InstallDialogs(std::make_unique<DemoDialogs>(writeDemoSource(QDir::tempPath() + QLatin1Char('/'))));

    TProgramForms forms;
    forms.CreateAll();
    TKorvaneForm* main = forms.MainForm();
    AppRunning = true;
    main->show();
    auto* page =
        qobject_cast<TPageMpegAudio*>(FormRegistry::Instance().Find(QStringLiteral("PageMpegAudio")));
    waitUntil([&] { return page->parentWidget() == main->PanelMain; });
    page->findChild<QPushButton*>(QStringLiteral("ButtonBrowseOneFile"))->click();
    save(main, "main-window.png");

    page->findChild<QPushButton*>(QStringLiteral("ButtonConvertCancel"))->click();
    waitUntil([&] {
        return page->findChild<QProgressBar*>(QStringLiteral("ProgressBarCurrent"))->value() > 30 ||
               !main->CommandsManager()->IsRunning();
    });
    save(main, "main-window-converting.png");
    if (auto* log = qobject_cast<TPageLog*>(FormRegistry::Instance().Find(QStringLiteral("PageLog")))) {
        log->resize(640, 360);
        log->show();
        save(log, "log-page.png");
        log->hide();
    }
    waitUntil([&] { return !main->CommandsManager()->IsRunning(); }, 120000);

    TAudioMp2SettingsDialog* preferences = AudioMp2SettingsDialog();
    preferences->show();
    save(preferences, "mpeg-preferences.png");
    preferences->hide();

    grabModal(qobject_cast<TDlgAbout*>(FormRegistry::Instance().Find(QStringLiteral("DlgAbout"))),
              ShowAboutDialog, "about.png");
    grabModal(qobject_cast<TDlgCredits*>(FormRegistry::Instance().Find(QStringLiteral("DlgCredits"))),
              ShowCreditsDialog, "credits.png", 6000);
    saveCrashReport();
    return 0;
}
