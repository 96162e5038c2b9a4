#include "components/bring_window_to_front.h"

#include <QWidget>

void BringWindowToFront(QWidget* window)
{
    if (!window)
        return;
    if (window->isMinimized())
        window->showNormal();
    else
        window->show();
    window->raise();
    window->activateWindow();
}
