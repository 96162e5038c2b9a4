#include "foundation/global_events.h"

#include <QCoreApplication>
#include <QThread>

#include <utility>

namespace {

// A handler may fill or fire another slot while it runs, so it is called through a copy.
template <typename Handler, typename... Arguments> void Fire(const Handler& slot, Arguments&&... arguments)
{
    Q_ASSERT(!QCoreApplication::instance() ||
             QThread::currentThread() == QCoreApplication::instance()->thread());
    if (!slot)
        return;
    const Handler handler = slot;
    handler(std::forward<Arguments>(arguments)...);
}

} // namespace

TGlobalEvents& GlobalEvents()
{
    static TGlobalEvents events;
    return events;
}

void FireLanguageChanged(QObject* Sender)
{
    Fire(GlobalEvents().OnLanguageChanged, Sender);
}

void FireCommandsStarting(QObject* Sender, QString Title)
{
    Fire(GlobalEvents().OnCommandsStarting, Sender, std::move(Title));
}

void FireCommandsFinished(QObject* Sender)
{
    Fire(GlobalEvents().OnCommandsFinished, Sender);
}

void FireEnableControls(QObject* Sender, bool Enable, QString Reason)
{
    Fire(GlobalEvents().OnEnableControls, Sender, Enable, std::move(Reason));
}

void FireEncodingSettingsChanged(QObject* Sender)
{
    Fire(GlobalEvents().OnEncodingSettingsChanged, Sender);
}

void FireTempFolderChanged(QObject* Sender)
{
    Fire(GlobalEvents().OnTempFolderChanged, Sender);
}

void FireThemeChanged(QObject* Sender, QString ThemeName, bool Flag)
{
    Fire(GlobalEvents().OnThemeChanged, Sender, std::move(ThemeName), Flag);
}

void FireStatusText(QObject* Sender, QString Text, bool Show)
{
    Fire(GlobalEvents().OnStatusText, Sender, std::move(Text), Show);
}

void FireWaitEnd(QObject* Sender)
{
    Fire(GlobalEvents().OnWaitEnd, Sender);
}

void FireWaitBegin(QObject* Sender, QString Message)
{
    Fire(GlobalEvents().OnWaitBegin, Sender, std::move(Message));
}

void FireScanSubfoldersChanged(QObject* Sender)
{
    Fire(GlobalEvents().OnScanSubfoldersChanged, Sender);
}
