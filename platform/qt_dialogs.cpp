#include "platform/qt_dialogs.h"

#include "components/adv_message_dlg.h"

#include <QApplication>
#include <QFileDialog>

namespace plat {

namespace {

QFileDialog::Options chooserOptions()
{
    return QFileDialog::DontUseNativeDialog;
}

} // namespace

QString QtFileFilter(const QString& filter)
{
    const QStringList parts = filter.split(u'|');
    QStringList entries;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString patterns = parts[i + 1];
        patterns.replace(u';', u' ');
        entries << QStringLiteral("%1 (%2)").arg(parts[i], patterns);
    }
    return entries.join(QStringLiteral(";;"));
}

std::unique_ptr<TAdvancedMessageForm> MakeMessageBox(const MessageRequest& request, QWidget* parent)
{
    return std::make_unique<TAdvancedMessageForm>(request, parent);
}

MessageAnswer QtDialogs::ShowMessage(const MessageRequest& request)
{
    return MakeMessageBox(request, QApplication::activeWindow())->Run();
}

QString QtDialogs::ChooseOpenFile(const FileRequest& request)
{
    return QFileDialog::getOpenFileName(QApplication::activeWindow(), request.Title,
                                        request.Folder + request.FileName, QtFileFilter(request.Filter),
                                        nullptr, chooserOptions());
}

QStringList QtDialogs::ChooseOpenFiles(const FileRequest& request)
{
    return QFileDialog::getOpenFileNames(QApplication::activeWindow(), request.Title, request.Folder,
                                         QtFileFilter(request.Filter), nullptr, chooserOptions());
}

QString QtDialogs::ChooseSaveFile(const FileRequest& request)
{
    return QFileDialog::getSaveFileName(QApplication::activeWindow(), request.Title,
                                        request.Folder + request.FileName, QtFileFilter(request.Filter),
                                        nullptr, chooserOptions());
}

QString QtDialogs::ChooseFolder(const QString& title, const QString& folder)
{
    const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, folder,
                                                             chooserOptions() | QFileDialog::ShowDirsOnly);
    return chosen.isEmpty() || chosen.endsWith(u'/') ? chosen : chosen + u'/';
}

} // namespace plat
