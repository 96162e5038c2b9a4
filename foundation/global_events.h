#pragma once

#include <QObject>
#include <QString>

#include <functional>

class TCommandsManager;

// Handlers through which pages, dialogs and commands reach the main window and the conversion page
// without knowing them. Every handler gets the firing object first.
using TGlobalNotifyEvent = std::function<void(QObject* Sender)>;
using TGlobalTextEvent = std::function<void(QObject* Sender, QString Text)>;
using TGlobalFlagEvent = std::function<void(QObject* Sender, bool Flag)>;
using TGlobalEnableControlsEvent = std::function<void(QObject* Sender, bool Enable, QString Reason)>;
using TGlobalThemeEvent = std::function<void(QObject* Sender, QString ThemeName, bool Flag)>;
using TGlobalStatusTextEvent = std::function<void(QObject* Sender, QString Text, bool Show)>;

// One handler per slot at most; an empty slot makes its firing do nothing.
struct TGlobalEvents {
    TGlobalNotifyEvent OnLanguageChanged;
    TGlobalTextEvent OnCommandsStarting;
    TGlobalFlagEvent OnCommandDone;
    TGlobalNotifyEvent OnCommandsFinished;
    TGlobalNotifyEvent OnCommandsIdle;
    TGlobalEnableControlsEvent OnEnableControls;
    TGlobalNotifyEvent OnEncodingSettingsChanged;
    TGlobalNotifyEvent OnTempFolderChanged;
    TGlobalThemeEvent OnThemeChanged;
    TGlobalTextEvent OnCommandLog;
    TGlobalStatusTextEvent OnStatusText;
    TGlobalNotifyEvent OnWaitEnd;
    TGlobalTextEvent OnWaitBegin;
    TGlobalNotifyEvent OnScanSubfoldersChanged;

    // The one command queue; the main window creates it and frees it.
    TCommandsManager* CommandsManager = nullptr;
};

// The program's one hub; main thread only.
TGlobalEvents& GlobalEvents();

void FireLanguageChanged(QObject* Sender);
void FireCommandsStarting(QObject* Sender, QString Title);
void FireCommandsFinished(QObject* Sender);
void FireEnableControls(QObject* Sender, bool Enable, QString Reason);
void FireEncodingSettingsChanged(QObject* Sender);
void FireTempFolderChanged(QObject* Sender);
void FireThemeChanged(QObject* Sender, QString ThemeName, bool Flag);
void FireStatusText(QObject* Sender, QString Text, bool Show);
void FireWaitEnd(QObject* Sender);
void FireWaitBegin(QObject* Sender, QString Message);
void FireScanSubfoldersChanged(QObject* Sender);
