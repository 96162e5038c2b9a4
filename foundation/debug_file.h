#pragma once

#include <QString>

// Time-stamped lines in "debug.txt" in the program folder, written only while the switch is on.
// The first line of every run starts the file afresh; failures are silent.
void DebugWrite(const QString& text);

// Off when the program starts.
bool DebugFileSwitch();
void SetDebugFileSwitch(bool on);
