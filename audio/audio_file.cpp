#include "audio/audio_file.h"

#include "foundation/file_tools.h"
#include "foundation/file_types.h"
#include "foundation/language.h"
#include "platform/paths.h"

#include <QFileInfo>
#include <QStringList>

namespace {

// A waiting row keeps its column wide even before any status was shown.
constexpr int kWaitingBlanks = 36;

int audioFileIcon()
{
    return AudioFileIconIndex >= 0 ? AudioFileIconIndex : GetFileIconIndex(QStringLiteral("toto.wav"));
}

} // namespace

TAudioFile::TAudioFile(const QString& name, TFileStatusView* listItem) : ListItem(listItem)
{
    const QFileInfo file(ExpandLongFileName(name));
    if (name.isEmpty() || !file.exists() || file.isDir())
        return;
    ImageIndex = audioFileIcon();
    FullName = file.absoluteFilePath();
    LowerName = FullName.toLower();
    FileName = file.fileName();
    Folder = plat::WithTrailingSlash(file.absolutePath());
    FileSize = file.size();
}

void TAudioFile::SetStatus(TAudioFileStatus status, const QString& text)
{
    StatusText = text;
    Status = status;
    if (!ListItem)
        return;
    ListItem->EnsureVisible();
    // A repeated progress text leaves the cell alone.
    if (ListItem->StatusCellText() != text)
        ListItem->SetStatusCellText(GetStatusText());
}

QString TAudioFile::GetStatusText() const
{
    switch (Status) {
    case afsConverted:
        return TranslateMsg(QStringLiteral("Converted"));
    case afsWaiting:
        return QString(kWaitingBlanks, u' ');
    case afsInProgress:
        return StatusText;
    case afsCancelled:
        return TranslateMsg(QStringLiteral("Conversion Cancelled"));
    case afsError:
        return TranslateMsg(QStringLiteral("Conversion Error"));
    }
    return QString();
}

void TAudioFile::ClearStatus()
{
    SetStatus(afsWaiting, QString());
}

void TAudioFile::SetProgress(int percent)
{
    SetStatus(afsInProgress, QString::number(percent) + QStringLiteral(" %"));
}

void TAudioFile::Detach()
{
    ListItem = nullptr;
}

bool IsSupportedAudioFile(const QString& name)
{
    static const QStringList extensions = {
        QStringLiteral(".wav"), QStringLiteral(".wave"), QStringLiteral(".mp3"), QStringLiteral(".wma"),
        QStringLiteral(".mp2"), QStringLiteral(".mp1"),  QStringLiteral(".ogg")};
    return extensions.contains(GetLowerExtension(name));
}

QString GetAudioFilesMask()
{
    return QStringLiteral("*.mp3;*.mp2;*.mp1;*.wav;*.wave;*.ogg;*.wma");
}

QString GetAudioFilesFilter()
{
    return QStringLiteral("MPEG Audio Layer 1/2/3 (*.mp3;*.mp2;*.mp1)|*.mp3;*.mp2;*.mp1"
                          "|Windows Media Audio (*.wma)|*.wma"
                          "|Wave audio (*.wav;*.wave)|*.wav;*.wave"
                          "|Ogg Vorbis (*.ogg)|*.ogg");
}
