#include "tests/support/irregular_sources.h"

#include "tests/support/device_nodes.h"

#include <QFile>

#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

PipeSource::PipeSource(const QString& pipe, const QString& content) : Name(pipe)
{
    EXPECT_EQ(::mkfifo(QFile::encodeName(pipe).constData(), 0600), 0);
    EXPECT_EQ(writer_.Start("dd", {"if=" + content, "of=" + pipe, "status=none"}), 0);
}

QString ZeroDeviceSource(const QString& name)
{
    // A device is refused by its type, before it is opened: a node that does not open serves too.
    const QString refusal = MakeDevice(name, Device::Zero);
    if (IsDevice(name, Device::Zero))
        return name;
    if (::geteuid() == 0)
        ADD_FAILURE() << "root may not be pointed at the machine's own device: " << refusal.toStdString();
    else
        EXPECT_TRUE(QFile::link("/dev/zero", name));
    return name;
}
