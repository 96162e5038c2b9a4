#pragma once

#include <QPointer>
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

// Shows the main window and runs the message loop; returns the program's exit code. Meanwhile SIGTERM,
// SIGHUP and SIGINT end the program as a confirmed quit does, without asking: a running batch is
// cancelled (its tool stopped, its temporary files removed, the older output put back), the main window
// closes once it has ended (a dialog in front belongs to it and goes with it), and the code is then
// 128 + the signal.
int RunMainWindow(QApplication& application, TKorvaneForm& main);
