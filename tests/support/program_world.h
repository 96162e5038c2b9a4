#pragma once

#include "tests/support/temp_world.h"

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

    // Creates every form and shows the main window, as the program's start does.
    TKorvaneForm& Start();
    // Closes the main window, as the user does, and frees every form.
    void Stop();
    // Stops and starts again.
    void Restart();
    TKorvaneForm& Main() const;
    // A form of the program by its name, once it has been started.
    template <typename Form> Form* Find(const char* name) const
    {
        return qobject_cast<Form*>(FindForm(name));
    }

private:
    static QObject* FindForm(const char* name);

    std::unique_ptr<TProgramForms> forms_;
};
