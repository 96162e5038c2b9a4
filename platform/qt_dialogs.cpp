#include "platform/qt_dialogs.h"

#include "foundation/dlg_m_lang.h"

#include <QApplication>
#include <QCheckBox>
#include <QFileDialog>
#include <QMessageBox>
#include <QPushButton>

namespace plat {

namespace {

struct ButtonResult {
    TMsgDlgBtn Button;
    QMessageBox::StandardButton Standard;
    int Result;
    TDlgCaption Caption;
};

constexpr ButtonResult buttonTable[] = {
    {mbYes, QMessageBox::Yes, mrYes, dcMsgYes},
    {mbNo, QMessageBox::No, mrNo, dcMsgNo},
    {mbOK, QMessageBox::Ok, mrOk, dcMsgOK},
    {mbCancel, QMessageBox::Cancel, mrCancel, dcMsgCancel},
    {mbAbort, QMessageBox::Abort, mrAbort, dcMsgAbort},
    {mbRetry, QMessageBox::Retry, mrRetry, dcMsgRetry},
    {mbIgnore, QMessageBox::Ignore, mrIgnore, dcMsgIgnore},
    // Qt has no "All" button of its own (YesAll is another name of YesToAll): it is added by its role.
    {mbAll, QMessageBox::NoButton, mrAll, dcMsgAll},
    {mbNoToAll, QMessageBox::NoToAll, mrNoToAll, dcMsgNoToAll},
    {mbYesToAll, QMessageBox::YesToAll, mrYesToAll, dcMsgYesToAll},
    {mbHelp, QMessageBox::Help, mrNone, dcMsgHelp},
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

// The box's title follows the selected language; a custom box carries the program's name.
QString titleFor(TMsgDlgType type)
{
    switch (type) {
    case TMsgDlgType::mtWarning:
        return DlgCaption(dcWarning);
    case TMsgDlgType::mtError:
        return DlgCaption(dcError);
    case TMsgDlgType::mtInformation:
        return DlgCaption(dcInformation);
    case TMsgDlgType::mtConfirmation:
        return DlgCaption(dcConfirm);
    case TMsgDlgType::mtCustom:
        break;
    }
    return QApplication::applicationName();
}

// Each button carries its modal result, so a click is told apart from every other button.
const char* const modalResultProperty = "modalResult";

QAbstractButton* addButton(QMessageBox& box, const ButtonResult& entry)
{
    const QString caption = DlgCaption(entry.Caption);
    QAbstractButton* button = entry.Standard == QMessageBox::NoButton
                                  ? box.addButton(caption, QMessageBox::AcceptRole)
                                  : box.addButton(entry.Standard);
    button->setText(caption);
    button->setProperty(modalResultProperty, entry.Result);
    return button;
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

std::unique_ptr<QMessageBox> MakeMessageBox(const MessageRequest& request, QWidget* parent)
{
    auto box = std::make_unique<QMessageBox>(iconFor(request.Type), titleFor(request.Type),
                                             ForDisplay(request.Text), QMessageBox::NoButton, parent);
    for (const ButtonResult& entry : buttonTable)
        if (request.Buttons.testFlag(entry.Button))
            addButton(*box, entry);
    if (!request.CheckCaption.trimmed().isEmpty()) {
        auto* check = new QCheckBox(ForDisplay(request.CheckCaption), box.get());
        check->setChecked(request.Checked);
        box->setCheckBox(check);
    }
    return box;
}

MessageAnswer QtDialogs::ShowMessage(const MessageRequest& request)
{
    const auto box = MakeMessageBox(request, QApplication::activeWindow());
    box->exec();
    MessageAnswer answer;
    if (const QAbstractButton* clicked = box->clickedButton())
        answer.ModalResult = clicked->property(modalResultProperty).toInt();
    if (answer.ModalResult == mrNone && request.Buttons.testFlag(mbCancel))
        answer.ModalResult = mrCancel;
    answer.Checked = box->checkBox() ? box->checkBox()->isChecked() : request.Checked;
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
    const QString chosen = QFileDialog::getExistingDirectory(QApplication::activeWindow(), title, folder,
                                                             chooserOptions() | QFileDialog::ShowDirsOnly);
    return chosen.isEmpty() || chosen.endsWith(u'/') ? chosen : chosen + u'/';
}

} // namespace plat
