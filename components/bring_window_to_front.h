#pragma once

class QWidget;

// Restores a minimized window, else brings it to the top, then gives it the focus.
void BringWindowToFront(QWidget* window);
