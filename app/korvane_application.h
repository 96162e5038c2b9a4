#pragma once

#include <QApplication>

// The program's application object: an exception that escapes an event handler opens the crash report
// dialog instead of ending the program.
class TKorvaneApplication : public QApplication {
    Q_OBJECT

public:
    TKorvaneApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
