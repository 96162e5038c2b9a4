#pragma once

#include <QStringList>

// The program's release history as the history page shows it: a title, its underline, then for each
// release, newest first, a header "YYYY-MM-DD - Name vX.Y.Z" followed by its notes, each starting with
// "   *  ". Lines starting with "      - " are sub-items of the note above them.
const QStringList& HistoryInfo();
