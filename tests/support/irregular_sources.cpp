#include "tests/support/irregular_sources.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>

PipeSource::PipeSource(const QString& pipe, const QString& content) : Name(pipe)
{
    EXPECT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(writer_.Start("dd", {"if=" + content, "of=" + pipe, "status=none"}), 0);
}

QString ZeroDeviceSource(const QString& name)
{
    EXPECT_TRUE(QFile::link("/dev/zero", name));
    return name;
}
