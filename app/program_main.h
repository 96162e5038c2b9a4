#pragma once

#include "platform/termination_signals.h"

#include <QPointer>
#include <QTimer>
#include <QWidget>

#include <vector>

class QApplication;
class TKorvaneForm;

// The window side's part of the services the layers below it use: the Qt message boxes and choosers,
// and the desktop style's file icons. Program start installs them as soon as the application exists.
void InstallQtDialogsAndIcons();
// The unit initializations that do work the program relies on, in their fixed order; false when the
// program cannot run (the audio libraries are missing).
bool InitializeUnits();
// What start-up does before any window exists: the start-up settings, then the encoder, which the
// program cannot run without, and the multiplexer, which only warns. False when the program must end.
bool PrepareStart();

// Every form of the program, created once in the one fixed order (the main window first, the pages a
// page reads before that page, the preference dialogs last), living until the program ends.
class TProgramForms {
public:
    TProgramForms() = default;
    ~TProgramForms();
    TProgramForms(const TProgramForms&) = delete;
    TProgramForms& operator=(const TProgramForms&) = delete;

    void CreateAll();
    TKorvaneForm* MainForm() const;

private:
    template <typename Form> Form* Create();

    std::vector<QPointer<QWidget>> forms_;
};

// Runs the message loop inside a guard: an exception that escapes it is shown in a plain box and the
// program then ends normally.
int RunMessageLoop(QApplication& application);

// From the moment it exists, SIGTERM, SIGHUP and SIGINT end the program as a confirmed quit does, without
// asking, and make it return 128 + the signal. Every box or dialog of the program closes first, as one
// closed without an answer does, so that its loop ends; then, from the main loop, a running batch is
// cancelled (its tool stopped, its temporary files removed, the older output left as it was) and the main
// window closes once it has ended. During start-up, which has no main loop, the start stops instead.
class TProgramEnding {
public:
    TProgramEnding();

    // What a start that stops before the main window runs returns: its own code, unless a signal ended
    // it; the "don't show again" choices of the boxes it showed are then kept, as the main window keeps
    // them when it closes.
    int EndStart(int programCode);
    // True once a signal asked the program to end.
    bool Requested();
    // Shows the main window and runs the message loop; returns the program's exit code.
    int RunMainWindow(QApplication& application, TKorvaneForm& main);

private:
    void closeBoxesThenWindow();

    plat::TerminationSignals signals_;
    // Closes the boxes that open meanwhile, until the program has ended.
    QTimer sweep_;
    QPointer<TKorvaneForm> main_;
    bool windowClosing_ = false;
};
