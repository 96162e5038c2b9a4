#pragma once

#include <QPointer>
#include <QWidget>

class TEmbeddedFormControl;

// A form that lives inside a host control of another window and can be taken out to float as a
// tool window, then put back into the same host.
class TFormToEmbed : public QWidget {
    Q_OBJECT

public:
    explicit TFormToEmbed(QWidget* parent = nullptr);

    // Puts a floating form back into the host it was last taken from.
    virtual void Embed();
    // Takes the form out of its host and shows it as a tool window, centred on the host's window.
    virtual void Float();

protected:
    // The host control currently holding the form, if any.
    TEmbeddedFormControl* HostControl() const;

private:
    QPointer<TEmbeddedFormControl> host_;
};
