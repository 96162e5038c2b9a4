#pragma once

#include "platform/dialogs.h"

#include <QString>

#include <cstdio>
#include <utility>

// The probes report on stdout, one line at a time, for the test that started them to read.
inline void say(const QString& line)
{
    std::printf("%s\n", line.toLocal8Bit().constData());
    std::fflush(stdout);
}

// Prints every message box's text and answers OK; the open-file chooser answers with the given source.
class PrintingDialogs : public plat::Dialogs {
public:
    explicit PrintingDialogs(QString source = QString()) : source_(std::move(source)) {}
    plat::MessageAnswer ShowMessage(const plat::MessageRequest& request) override
    {
        say(QStringLiteral("message ") + request.Text.simplified());
        return {plat::mrOk, false};
    }
    QString ChooseOpenFile(const plat::FileRequest&) override { return source_; }
    QStringList ChooseOpenFiles(const plat::FileRequest&) override
    {
        return source_.isEmpty() ? QStringList() : QStringList{source_};
    }
    QString ChooseSaveFile(const plat::FileRequest&) override { return {}; }
    QString ChooseFolder(const QString&, const QString&) override { return {}; }

private:
    QString source_;
};
