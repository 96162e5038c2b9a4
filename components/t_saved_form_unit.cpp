#include "components/t_saved_form_unit.h"

#include "foundation/exceptions.h"
#include "foundation/useful_ini.h"
#include "platform/ini_file.h"
#include "platform/paths.h"

#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QWidget>

#include <cmath>

namespace {

enum TSavedState { ssNormal = 0, ssMinimized = 1, ssMaximized = 2 };

QWidget* ownerForm(QObject* owner)
{
    auto* form = qobject_cast<QWidget*>(owner);
    if (!form || !form->isWindow())
        throw EKorvaneError(QStringLiteral("TSavedForm: owner is not a TForm"));
    return form;
}

QRect primaryScreen()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    return screen ? screen->geometry() : QRect();
}

int savedState(const QWidget& form)
{
    if (form.isMaximized())
        return ssMaximized;
    return form.isMinimized() ? ssMinimized : ssNormal;
}

// A window placed where no screen shows any of it could never be reached.
bool meetsAScreen(const QRect& frame)
{
    for (const QScreen* screen : QGuiApplication::screens())
        if (screen->geometry().intersects(frame))
            return true;
    return false;
}

} // namespace

TSavedForm::TSavedForm(QObject* owner) : QObject(owner), form_(ownerForm(owner))
{
    IniFile = plat::ExecutableName();
    SetSavedName(form_->objectName());
}

void TSavedForm::SetSavedName(const QString& name)
{
    savedName_ = name;
    buildKeyPrefix();
}

void TSavedForm::buildKeyPrefix()
{
    const QScreen* screen = QGuiApplication::primaryScreen();
    const long ppi = screen ? std::lrint(screen->logicalDotsPerInch()) : 96;
    const QRect geometry = primaryScreen();
    keyPrefix_ =
        QStringLiteral("%1_%2_%3x%4_").arg(savedName_).arg(ppi).arg(geometry.width()).arg(geometry.height());
}

plat::IniFile TSavedForm::openIni() const
{
    const QString fileName = GetIniFileName(IniFile, IniSuffix);
    if (!QFileInfo(QFileInfo(fileName).path()).isDir())
        throw EKorvaneError(QStringLiteral("TSavedForm: folder for ini file does not exist"));
    return plat::IniFile(fileName);
}

void TSavedForm::Load()
{
    bool execute = true;
    if (OnLoadRequest)
        OnLoadRequest(this, execute);
    if (execute)
        LoadFromIni();
}

void TSavedForm::Save()
{
    bool execute = true;
    if (OnSaveRequest)
        OnSaveRequest(this, execute);
    if (execute)
        SaveToIni();
}

void TSavedForm::LoadFromIni(plat::IniFile* ini)
{
    if (OnBeforeLoad)
        OnBeforeLoad(this);
    buildKeyPrefix();
    if (ini)
        loadFrom(*ini);
    else
        loadFrom(openIni());
    if (OnAfterLoad)
        OnAfterLoad(this);
}

void TSavedForm::SaveToIni(plat::IniFile* ini)
{
    buildKeyPrefix();
    if (ini) {
        saveTo(*ini);
        return;
    }
    plat::IniFile own = openIni();
    saveTo(own);
}

void TSavedForm::loadFrom(const plat::IniFile& ini)
{
    if (SavedArgs.testFlag(saSize))
        form_->resize(ini.ReadInteger(section_, key("Width"), form_->width()),
                      ini.ReadInteger(section_, key("Height"), form_->height()));
    if (SavedArgs.testFlag(saPosition)) {
        const QRect screen = primaryScreen();
        QPoint fallback = form_->geometry().topLeft();
        if (CenterForm)
            fallback = {(screen.width() - form_->width()) / 2, (screen.height() - form_->height()) / 2};
        const QPoint saved(ini.ReadInteger(section_, key("Left"), fallback.x()),
                           ini.ReadInteger(section_, key("Top"), fallback.y()));
        // The client area's place: a window that is not framed yet takes a frame position for its
        // client's, and would come back higher by its title bar at every start.
        const QPoint place = meetsAScreen(QRect(saved, form_->frameGeometry().size())) ? saved : fallback;
        form_->setGeometry(QRect(place, form_->size()));
    }
    if (SavedArgs.testFlag(saState)) {
        // A window is never restored minimized.
        const bool maximized = ini.ReadInteger(section_, key("State"), savedState(*form_)) == ssMaximized;
        const Qt::WindowStates normal = form_->windowState() & ~(Qt::WindowMinimized | Qt::WindowMaximized);
        form_->setWindowState(maximized ? normal | Qt::WindowMaximized : normal);
    }
}

void TSavedForm::saveTo(plat::IniFile& ini)
{
    ini.BeginUpdate();
    // A maximized window keeps the normal placement saved before; a minimized one has kept its geometry.
    if (!form_->isMaximized()) {
        if (SavedArgs.testFlag(saPosition)) {
            ini.WriteInteger(section_, key("Left"), form_->geometry().x());
            ini.WriteInteger(section_, key("Top"), form_->geometry().y());
        }
        if (SavedArgs.testFlag(saSize)) {
            ini.WriteInteger(section_, key("Width"), form_->width());
            ini.WriteInteger(section_, key("Height"), form_->height());
        }
    }
    if (SavedArgs.testFlag(saState))
        ini.WriteInteger(section_, key("State"), savedState(*form_));
    ini.EndUpdate();
}

void CentreOnScreen(QWidget* form, const QScreen* screen)
{
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (!form->isWindow() || !screen)
        return;
    QRect frame = form->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    form->move(frame.topLeft());
}
