#include "components/qt_dialogs.h"

#include "components/adv_message_dlg.h"

#include <QApplication>
#include <QFileDialog>
#include <QMainWindow>

namespace plat {

namespace {

bool isShownWindow(const QWidget* widget)
{
    if (!widget || !widget->isWindow() || !widget->isVisible())
        return false;
    const Qt::WindowType type = widget->windowType();
    return type != Qt::Popup && type != Qt::ToolTip && type != Qt::SplashScreen && type != Qt::Desktop;
}

// With nothing active (the user is in another program), the main window, else any shown window.
QWidget* shownWindow()
{
    QWidget* found = nullptr;
    for (QWidget* widget : QApplication::topLevelWidgets()) {
        if (!isShownWindow(widget))
            continue;
        if (qobject_cast<QMainWindow*>(widget))
            return widget;
        if (!found)
            found = widget;
    }
    return found;
}

// A window the window manager keeps above others, or one that belongs to such a window.
bool staysOnTop(const QWidget* window)
{
    for (; window; window = window->parentWidget() ? window->parentWidget()->window() : nullptr) {
        if (window->windowFlags().testFlag(Qt::WindowStaysOnTopHint))
            return true;
    }
    return false;
}

QStringList runChooser(QFileDialog& dialog)
{
    dialog.setOptions(dialog.options() | QFileDialog::DontUseNativeDialog);
    return ExecOwned(dialog, dialog.parentWidget()) == QDialog::Accepted ? dialog.selectedFiles()
                                                                         : QStringList();
}

QString chooseOne(QFileDialog::FileMode mode, QFileDialog::AcceptMode accept, const FileRequest& request)
{
    QFileDialog dialog(DialogOwner(), request.Title, request.Folder + request.FileName,
                       QtFileFilter(request.Filter));
    dialog.setFileMode(mode);
    dialog.setAcceptMode(accept);
    return runChooser(dialog).value(0);
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

QWidget* DialogOwner()
{
    if (QWidget* modal = QApplication::activeModalWidget(); isShownWindow(modal))
        return modal;
    if (QWidget* active = QApplication::activeWindow(); active && isShownWindow(active->window()))
        return active->window();
    return shownWindow();
}

int ExecOwned(QDialog& dialog, QWidget* owner)
{
    QWidget* window = owner ? owner->window() : nullptr;
    // A window without a parent would belong to the hidden client leader, which nothing keeps in front.
    if (dialog.parentWidget() != window)
        dialog.setParent(window, dialog.windowFlags());
    if (!window || staysOnTop(window))
        dialog.setWindowFlag(Qt::WindowStaysOnTopHint);
    dialog.setWindowModality(Qt::ApplicationModal);
    dialog.show();
    dialog.raise();
    dialog.activateWindow();
    return dialog.exec();
}

MessageAnswer QtDialogs::ShowMessage(const MessageRequest& request)
{
    QWidget* owner = DialogOwner();
    const auto box = MakeMessageBox(request, owner);
    return box->Answer(ExecOwned(*box, owner));
}

QString QtDialogs::ChooseOpenFile(const FileRequest& request)
{
    return chooseOne(QFileDialog::ExistingFile, QFileDialog::AcceptOpen, request);
}

QStringList QtDialogs::ChooseOpenFiles(const FileRequest& request)
{
    QFileDialog dialog(DialogOwner(), request.Title, request.Folder, QtFileFilter(request.Filter));
    dialog.setFileMode(QFileDialog::ExistingFiles);
    return runChooser(dialog);
}

QString QtDialogs::ChooseSaveFile(const FileRequest& request)
{
    return chooseOne(QFileDialog::AnyFile, QFileDialog::AcceptSave, request);
}

QString QtDialogs::ChooseFolder(const QString& title, const QString& folder)
{
    QFileDialog dialog(DialogOwner(), title, folder);
    dialog.setFileMode(QFileDialog::Directory);
    dialog.setOption(QFileDialog::ShowDirsOnly);
    const QString chosen = runChooser(dialog).value(0);
    return chosen.isEmpty() || chosen.endsWith(u'/') ? chosen : chosen + u'/';
}

} // namespace plat
