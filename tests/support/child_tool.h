#pragma once

#include <QString>
#include <QStringList>

#include <sys/types.h>

// The child program of the process tests (tests/programs/child_tool.cpp) and checks on processes.
QString ChildToolPath();

// True while the process exists and is not a zombie: a killed grandchild, reparented away from us,
// may stay a zombie until the system's reaper collects it.
bool IsProcessAlive(pid_t pid);

// The steps of one child_tool run, written "out|abc|sleep|30".
QStringList Steps(const QString& steps);

// tests/programs/no_tmpfile.cpp, which runs a program as on a file system without unnamed temporary
// files; empty where this system refuses the filter it installs.
QString NoTmpfilePath();
