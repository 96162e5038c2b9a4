#include "tests/support/child_tool.h"

#include "tests/support/patience.h"

#include <QFile>
#include <QProcess>

QString ChildToolPath()
{
    return QStringLiteral(KORVANE_TEST_PROGRAMS_DIR "/child_tool");
}

bool IsProcessAlive(pid_t pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (pid <= 0 || !stat.open(QIODevice::ReadOnly))
        return false;
    const QByteArray line = stat.readAll();
    const qsizetype nameEnd = line.lastIndexOf(')');
    const char state = nameEnd >= 0 && nameEnd + 2 < line.size() ? line.at(nameEnd + 2) : 'X';
    return state != 'Z' && state != 'X';
}

QStringList Steps(const QString& steps)
{
    return steps.split(u'|');
}

QString NoTmpfilePath()
{
    static const QString path = [] {
        const QString program = QStringLiteral(KORVANE_TEST_PROGRAMS_DIR "/no_tmpfile");
        QProcess probe;
        probe.start(program, {QStringLiteral("/bin/true")});
        return probe.waitForFinished(PatienceLeft()) && probe.exitCode() == 0 ? program : QString();
    }();
    return path;
}
