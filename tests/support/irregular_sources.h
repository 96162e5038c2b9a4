#pragma once

#include "platform/process.h"

#include <QString>

// Sources that are not regular files, named like audio. A named pipe has a writer waiting to feed it
// a real audio file, so a reader that opens it gets that file instead of waiting for ever: a test
// sees the pipe taken for a source, never a hang.
class PipeSource {
public:
    PipeSource(const QString& pipe, const QString& content);
    const QString Name;

private:
    plat::ChildProcess writer_;
};

// A zero device named like audio, of the test's own; returns its name. A user, who cannot make one,
// gets a link to the machine's, which only root could harm through it.
QString ZeroDeviceSource(const QString& name);
