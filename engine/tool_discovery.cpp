#include "engine/tool_discovery.h"

#include "foundation/language.h"
#include "foundation/log_procedures.h"
#include "foundation/program_globals.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"
#include "platform/encoder_banner.h"
#include "platform/paths.h"

#include <QFile>

#include <sys/stat.h>

namespace {

const QString kNoTooLameTag = QStringLiteral("NoTooLame");
const QString kUncachedTag = QStringLiteral("_");
QString tooLameVersionTag = kUncachedTag;

QString wrongVersionText(const QString& version, const QString& product)
{
    return Format(TranslateMsg(QStringLiteral("This version of %s supports only the version %s of \"%s\"")),
                  ProgramName, version, product);
}

QString installFullDistributionText()
{
    return Format(TranslateMsg(QStringLiteral(
                      "Please, install the %s full distribution to have all the required files")),
                  ProgramName);
}

QString missingTooLameText(const QString& versionFound)
{
    QString text =
        Format(TranslateMsg(QStringLiteral("\"%s\" (from %s) not found")), QStringLiteral("toolame"),
               QStringLiteral("TooLame")) +
        QStringLiteral("... \r\r") +
        Format(TranslateMsg(QStringLiteral("Some files required by %s are missing")), ProgramName) +
        QStringLiteral("... \r") + installFullDistributionText() + QStringLiteral(".     ");
    if (!versionFound.isEmpty())
        text +=
            QStringLiteral("\r\r") + Format(TranslateMsg(QStringLiteral("Version found: %s")), versionFound);
    return text;
}

// The warning with its "don't show again" box; true when it was shown.
bool showToolWarning(const QString& text, bool& doNotShowAgain)
{
    if (doNotShowAgain)
        return false;
    plat::MessageRequest request;
    request.Text = text;
    request.Type = plat::TMsgDlgType::mtWarning;
    request.CheckCaption = TranslateMsg(QStringLiteral("Don't show this message again"));
    plat::ShowCheckedMessage(request, plat::mrOk, doNotShowAgain);
    return true;
}

// Set by the probes of the last FindTooLame or FindMplex.
bool cygwinConflictShown = false;

// Runs a tool's help option; empty lines when it cannot be run or hangs.
QStringList probeLines(const QString& program, const QString& option, int limitMs)
{
    QStringList lines;
    if (RunConsoleCapture(program, {option}, lines, limitMs) != TConsoleCaptureResult::Finished) {
        LogDebug(QStringLiteral("Probe of %1 failed").arg(program));
        return {};
    }
    if (ContainsTextNoCase(lines.join(u'\n'), QStringLiteral("shared version mismatch detected"))) {
        ShowCygwinConflictMessage();
        cygwinConflictShown = true;
        return {};
    }
    return lines;
}

QString versionFromLines(const QStringList& lines, const QStringList& prefixes, const QString& stopPrefix,
                         const QString& skippedPart)
{
    QString versionLine;
    for (const QString& line : lines) {
        const QString trimmed = line.trimmed();
        if (trimmed.isEmpty() || StartsWithNoCase(trimmed, QStringLiteral("This is free")) ||
            (!skippedPart.isEmpty() && ContainsTextNoCase(trimmed, skippedPart)))
            continue;
        if (!stopPrefix.isEmpty() && StartsWithNoCase(trimmed, stopPrefix))
            break;
        for (const QString& prefix : prefixes)
            if (StartsWithNoCase(trimmed, prefix))
                versionLine = trimmed;
    }
    versionLine.remove(u'(').remove(u')');
    versionLine =
        ReplaceStringNoCase(versionLine, QString::fromLatin1(plat::kEncoderHomePage), QString(), false);
    for (const QString& prefix : prefixes)
        versionLine = ReplaceStringNoCase(versionLine, prefix, QString(), false);
    return versionLine.trimmed();
}

QString withoutDotsAndDashes(const QString& text)
{
    return QString(text).remove(u'.').remove(u'-');
}

} // namespace

bool IsExecutableFile(const QString& name)
{
    struct stat status {};
    return ::stat(QFile::encodeName(name).constData(), &status) == 0 && S_ISREG(status.st_mode) &&
           (status.st_mode & (S_IXUSR | S_IXGRP | S_IXOTH)) != 0;
}

QString TooLameVersionFromLines(const QStringList& lines)
{
    return versionFromLines(lines, {QStringLiteral("tooLAME version")}, QStringLiteral("usage:"), QString());
}

QString MplexVersionFromLines(const QStringList& lines)
{
    return versionFromLines(
        lines, {QStringLiteral("mjpegtools mplex version"), QStringLiteral("mjpegtools mplex-2 version")},
        QString(), QStringLiteral("unknown option"));
}

QString ProbeTooLameVersion(const QString& exeName, int limitMs)
{
    return TooLameVersionFromLines(probeLines(TooLameFolder + exeName, QStringLiteral("-h"), limitMs));
}

QString ProbeMplexVersion(const QString& exeName, int limitMs)
{
    return MplexVersionFromLines(probeLines(MplexFolder + exeName, QStringLiteral("-?"), limitMs));
}

bool FindTooLame(int probeLimitMs)
{
    LogDebug(QStringLiteral("Find TooLame"));
    TooLameFound = false;
    TooLameFolder.clear();
    tooLameVersionTag = kUncachedTag;
    cygwinConflictShown = false;
    const QString folder = plat::ProgramFolder() + QStringLiteral("TooLame/");
    QString version;
    bool dialogShown = false;
    if (IsExecutableFile(folder + QStringLiteral("toolame"))) {
        TooLameFolder = folder;
        version = ProbeTooLameVersion(QStringLiteral("toolame"), probeLimitMs);
        TooLameVersion = version;
        if (version.contains(QStringLiteral("0.2l"))) {
            TooLameFound = true;
            return true;
        }
        if (version.contains(QStringLiteral("0.2")))
            dialogShown =
                showToolWarning(u'\r' + wrongVersionText(QStringLiteral("0.2l"), TooLameProductWord) +
                                    QStringLiteral("...   "),
                                StartupFlags.DoNotShowBadTooLameAgain);
        TooLameVersion = NoTooLameText;
        TooLameFolder.clear();
    }
    // Without a usable encoder the program ends: it must never do so without a word.
    if (!dialogShown && !cygwinConflictShown)
        plat::ShowError(missingTooLameText(version));
    return false;
}

bool FindMplex(int probeLimitMs)
{
    MplexFound = false;
    MplexVersion = NoMplexText;
    MplexFolder.clear();
    cygwinConflictShown = false;
    const QString folder = plat::ProgramFolder() + QStringLiteral("Mplex/");
    if (!IsExecutableFile(folder + QStringLiteral("mplex"))) {
        showToolWarning(Format(TranslateMsg(QStringLiteral("\"%s\" not found")), QStringLiteral("mplex")) +
                            QStringLiteral(". \r\r") + installFullDistributionText() +
                            QStringLiteral(".     "),
                        StartupFlags.DoNotShowNoMplexAgain);
        return true;
    }
    MplexFolder = folder;
    const QString version = ProbeMplexVersion(QStringLiteral("mplex"), probeLimitMs);
    if (version.contains(QStringLiteral("1.6.2"))) {
        MplexFound = true;
        MplexVersion = version;
        return true;
    }
    MplexFolder.clear();
    if (!cygwinConflictShown)
        showToolWarning(
            u'\r' + wrongVersionText(QStringLiteral("1.6.x/1.7.x"), QStringLiteral("Mjpegtools Mplex")),
            StartupFlags.DoNotShowBadMplexAgain);
    return true;
}

bool RuntimeConflictFound()
{
    return cygwinConflictShown;
}

QString GetTooLameDescription()
{
    return TooLameFound ? TooLameVersion + u' ' + TooLameProductWord : NoTooLameText;
}

QString GetTooLameVersionTag()
{
    if (tooLameVersionTag == kUncachedTag)
        tooLameVersionTag =
            TooLameFound
                ? withoutDotsAndDashes(RemoveFirstNoCase(GetTooLameDescription(), TooLameProductWord))
                      .trimmed()
                : kNoTooLameTag;
    return tooLameVersionTag;
}

QString GetMplexVersion()
{
    return MplexVersion;
}

QString GetMplexVersionTag()
{
    return withoutDotsAndDashes(MplexVersion);
}
