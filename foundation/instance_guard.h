#pragma once

#include <QString>

// Keeps the program from running twice, or beside its sibling product.
//
// Program start calls StartInstanceGuard once, after the QApplication exists and before any window is
// created or any language is loaded. When it returns false another copy (or the sibling) runs: the
// running copy was asked to come to the front, the user may have been told (untranslated), and the
// caller must exit at once with a non-zero code. A running copy listens for that request under
// ProgramName, the application title (TXJustOne). The locks are held until StopInstanceGuard or the end
// of the process, and are never inherited by child programs.
bool StartInstanceGuard();
void StopInstanceGuard();

inline const QString InstanceGuardMessage =
    QStringLiteral("\rPlease close Brindlow and/or Korvane before starting Korvane.     \r");
