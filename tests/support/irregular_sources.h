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

// A link named like audio to /dev/zero; returns the link's name.
QString ZeroDeviceSource(const QString& name);
