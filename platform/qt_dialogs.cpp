#include "platform/qt_dialogs.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>

namespace plat {

namespace {

struct ButtonResult {
    TMsgDlgBtn Button;
    QMessageBox::StandardButton Standard;
    int Result;
};

constexpr ButtonResult buttonTable[] = {
    {mbYes, QMessageBox::Yes, mrYes},
    {mbNo, QMessageBox::No, mrNo},
    {mbOK, QMessageBox::Ok, mrOk},
    {mbCancel, QMessageBox::Cancel, mrCancel},
    {mbAbort, QMessageBox::Abort, mrAbort},
    {mbRetry, QMessageBox::Retry, mrRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore},
    {mbAll, QMessageBox::YesAll, mrAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll},
    {mbYesToAll, QMessageBox::YesToAll, mrYesToAll},
    {mbHelp, QMessageBox::Help, mrNone},
};

QMessageBox::Icon iconFor(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning:
        return QMessageBox::Warning;
    case TMsgDlgType::mtError:
        return QMessageBox::Critical;
    case TMsgDlgType::mtInformation:
        return QMessageBox::Information;
    case TMsgDlgType::mtConfirmation:
        return QMessageBox::Question;
    case TMsgDlgType::mtCustom:
        break;
    }
    return QMessageBox::NoIcon;
}

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

MessageAnswer QtDialogs::ShowMessage(const MessageRequest& request)
{
    QMessageBox box(iconFor(request.Type), QApplication::applicationName(), ForDisplay(request.Text),
                    QMessageBox::NoButton, QApplication::activeWindow());
    for (const ButtonResult& entry : buttonTable)
        if (request.Buttons.testFlag(entry.Button))
            box.addButton(entry.Standard);
    QCheckBox* check = nullptr;
    if (!request.CheckCaption.trimmed().isEmpty()) {
        check = new QCheckBox(ForDisplay(request.CheckCaption), &box);
        check->setChecked(request.Checked);
        box.setCheckBox(check);
    }
    box.exec();
    MessageAnswer answer;
    const auto clicked = box.standardButton(box.clickedButton());
    for (const ButtonResult& entry : buttonTable)
        if (entry.Standard == clicked)
            answer.ModalResult = entry.Result;
    if (answer.ModalResult == mrNone && request.Buttons.testFlag(mbCancel))
        answer.ModalResult = mrCancel;
    answer.Checked = check ? check->isChecked() : request.Checked;
    return answer;
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
    const QString chosen = QFileDialog::getExistingDirectory(
        QApplication::activeWindow(), title, folder, chooserOptions() | QFileDialog::ShowDirsOnly);
    return chosen.isEmpty() || chosen.endsWith(u'/') ? chosen : chosen + u'/';
}

} // namespace plat
