#pragma once

#include "tests/support/temp_world.h"

#include <QApplication>
#include <QWidget>

#include <memory>

class TKorvaneForm;
class TProgramForms;

// The program's windows as main() builds them, over the built encoder, multiplexer, languages and
// sounds.
class ProgramWorld : public TempWorld {
protected:
    ProgramWorld();
    ~ProgramWorld() override;
    void SetUp() override;
    void TearDown() override;

    // Creates every form and shows the main window, as the program's start does. Without the message
    // loop running, the main window shows but takes no page in.
    TKorvaneForm& Start(bool loopRuns = true);
    // Closes the main window, as the user does, and frees every form and what a new process would not
    // know.
    void Stop();
    // Stops and starts again.
    void Restart();
    TKorvaneForm& Main() const;
    // A form of the program by its name, once it has been started.
    template <typename Form> Form* Find(const char* name) const
    {
        return qobject_cast<Form*>(FindForm(name));
    }

    // The one control of that name in any window of the program.
    template <typename Widget> static Widget* Control(const char* name)
    {
        Widget* found = nullptr;
        for (QWidget* widget : QApplication::allWidgets())
            if (widget->objectName() == QLatin1String(name) && qobject_cast<Widget*>(widget)) {
                EXPECT_EQ(found, nullptr) << "two controls named " << name;
                found = qobject_cast<Widget*>(widget);
            }
        EXPECT_NE(found, nullptr) << name;
        return found;
    }

private:
    static QObject* FindForm(const char* name);

    std::unique_ptr<TProgramForms> forms_;
};
