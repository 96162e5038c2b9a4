#pragma once

#include <QFrame>
#include <QSet>
#include <QString>
#include <QStringList>

#include <functional>

using TOnDropItem = std::function<void(QObject* sender, const QString& fileName)>;
using TOnDropItems = std::function<void(QObject* sender, const QStringList& fileNames)>;

// Turns paths dropped from a file manager, or handed over by code, into an ordered list of files:
// files are taken as they are, folders are scanned for the names that match ScanFilesFilter, and with
// Recursive their sub-folders too. Every item is announced once through OnDropItem, and the whole list
// of one operation once through OnDropItems.
class QMimeData;

class TDropper : public QFrame {
    Q_OBJECT
    Q_PROPERTY(bool AllowDir READ AllowDir WRITE SetAllowDir)
    Q_PROPERTY(bool Recursive READ Recursive WRITE SetRecursive)
    Q_PROPERTY(bool Enabled READ Enabled WRITE SetEnabled)
    Q_PROPERTY(QString ScanFilesFilter READ ScanFilesFilter WRITE SetScanFilesFilter)

public:
    explicit TDropper(QWidget* parent = nullptr);

    // A scanned folder is itself an item (ending with "/") before its files.
    bool AllowDir() const { return allowDir_; }
    void SetAllowDir(bool allow) { allowDir_ = allow; }
    bool Recursive() const { return recursive_; }
    void SetRecursive(bool recursive) { recursive_ = recursive; }
    // Whether drops from a file manager are taken; the widget itself stays enabled.
    bool Enabled() const { return enabled_; }
    void SetEnabled(bool enabled);
    // Masks separated by ";", each taken as written; "*.*" means every name.
    const QString& ScanFilesFilter() const { return scanFilesFilter_; }
    void SetScanFilesFilter(const QString& filter) { scanFilesFilter_ = filter; }

    // Processes one path as if it had been dropped alone. Refused (false, no event) while a scan runs.
    bool DropFileName(const QString& path);
    bool IsScanning() const { return scanning_; }

    TOnDropItem OnDropItem;
    TOnDropItems OnDropItems;

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    // What one drop or DropFileName gathers; a nested operation never shares it.
    struct TScan {
        QStringList Items;
        QSet<QString> Added;
        QSet<QString> ScannedFolders;
    };

    bool TakesDrop(const QMimeData* data) const;
    void DropFileNames(const QStringList& paths);
    bool Run(const QStringList& paths);
    void ProcessPath(const QString& path, TScan& scan);
    void AddItem(const QString& path, TScan& scan);
    void ScanFolder(const QString& path, TScan& scan);
    QStringList MatchingFiles(const QString& folder) const;

    bool allowDir_ = false;
    bool recursive_ = false;
    bool enabled_ = true;
    bool scanning_ = false;
    QString scanFilesFilter_ = QStringLiteral("*.*");
};

// The full names of the local files and folders a drag carries; other addresses are left out.
QStringList DroppedFileNames(const QMimeData* data);

// Sorts names without regard to letter case, as the lists of the program show them; names that differ
// only in case keep a fixed order.
void SortFileNames(QStringList& names);
