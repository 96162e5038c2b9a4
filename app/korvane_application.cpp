#include "app/korvane_application.h"

#include "app/except_dlg.h"

TKorvaneApplication::TKorvaneApplication(int& argc, char** argv) : QApplication(argc, argv) {}

bool TKorvaneApplication::notify(QObject* receiver, QEvent* event)
{
    return DeliverReportingExceptions([&] { return QApplication::notify(receiver, event); });
}
