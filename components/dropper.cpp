#include "components/dropper.h"

#include "platform/messages.h"
#include "platform/paths.h"

#include <QDir>
#include <QDropEvent>
#include <QFileInfo>
#include <QMimeData>
#include <QScopedValueRollback>
#include <QUrl>

#include <algorithm>

namespace {

bool isFolder(const QString& path)
{
    return QFileInfo(path).isDir();
}

} // namespace

QStringList DroppedFileNames(const QMimeData* data)
{
    QStringList names;
    if (data == nullptr || !data->hasUrls())
        return names;
    for (const QUrl& url : data->urls()) {
        if (url.isLocalFile())
            names << url.toLocalFile();
    }
    return names;
}

void SortFileNames(QStringList& names)
{
    std::stable_sort(names.begin(), names.end(), [](const QString& a, const QString& b) {
        const int order = a.compare(b, Qt::CaseInsensitive);
        return order != 0 ? order < 0 : a < b;
    });
}

TDropper::TDropper(QWidget* parent) : QFrame(parent)
{
    setFrameShape(QFrame::NoFrame);
    setAcceptDrops(true);
}

void TDropper::SetEnabled(bool enabled)
{
    enabled_ = enabled;
    setAcceptDrops(enabled);
}

bool TDropper::DropFileName(const QString& path)
{
    return Run({path});
}

bool TDropper::TakesDrop(const QMimeData* data) const
{
    return enabled_ && !scanning_ && !DroppedFileNames(data).isEmpty();
}

void TDropper::dragEnterEvent(QDragEnterEvent* event)
{
    if (TakesDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDropper::dragMoveEvent(QDragMoveEvent* event)
{
    if (TakesDrop(event->mimeData()))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TDropper::dropEvent(QDropEvent* event)
{
    if (!TakesDrop(event->mimeData())) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The file manager waits for the drop to end, so the scan runs after it from the event loop.
    const QStringList names = DroppedFileNames(event->mimeData());
    QMetaObject::invokeMethod(
        this, [this, names] { DropFileNames(names); }, Qt::QueuedConnection);
}

void TDropper::DropFileNames(const QStringList& paths)
{
    QStringList files, folders;
    for (const QString& path : paths)
        (isFolder(path) ? folders : files) << path;
    SortFileNames(files);
    SortFileNames(folders);
    Run(files + folders);
}

bool TDropper::Run(const QStringList& paths)
{
    // Events are processed between folders; a second drop meanwhile would mix its items into this one.
    if (scanning_)
        return false;
    TScan scan;
    {
        const QScopedValueRollback busy(scanning_, true);
        for (const QString& path : paths)
            ProcessPath(path, scan);
    }
    if (OnDropItems)
        OnDropItems(this, scan.Items);
    return true;
}

void TDropper::ProcessPath(const QString& path, TScan& scan)
{
    if (isFolder(path))
        ScanFolder(path, scan);
    else
        AddItem(path, scan);
}

void TDropper::AddItem(const QString& path, TScan& scan)
{
    if (scan.Added.contains(path))
        return;
    scan.Added.insert(path);
    scan.Items << path;
    if (OnDropItem)
        OnDropItem(this, path);
}

void TDropper::ScanFolder(const QString& path, TScan& scan)
{
    // A link back to a folder already scanned would never end.
    const QString realFolder = QFileInfo(path).canonicalFilePath();
    if (scan.ScannedFolders.contains(realFolder))
        return;
    scan.ScannedFolders.insert(realFolder);

    const QString folder = plat::WithTrailingSlash(path);
    if (allowDir_)
        AddItem(folder, scan);
    for (const QString& file : MatchingFiles(folder))
        AddItem(file, scan);
    plat::PumpEvents();
    if (!recursive_)
        return;
    QStringList subFolders =
        QDir(folder).entryList(QDir::Dirs | QDir::NoDotAndDotDot | QDir::Hidden, QDir::NoSort);
    SortFileNames(subFolders);
    for (const QString& subFolder : subFolders)
        ScanFolder(folder + subFolder, scan);
    plat::PumpEvents();
}

QStringList TDropper::MatchingFiles(const QString& folder) const
{
    QStringList files;
    const QDir dir(folder);
    for (const QString& written : scanFilesFilter_.split(u';', Qt::SkipEmptyParts)) {
        const QString mask = written == QStringLiteral("*.*") ? QStringLiteral("*") : written;
        for (const QString& name : dir.entryList({mask}, QDir::Files | QDir::Hidden, QDir::NoSort))
            files << folder + name;
    }
    files.removeDuplicates();
    SortFileNames(files);
    return files;
}
