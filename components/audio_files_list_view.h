#pragma once

#include "audio/audio_file.h"
#include "components/dropper.h"

#include <QMenu>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QTreeWidget>

#include <functional>
#include <memory>
#include <vector>

using TNotifyEvent = std::function<void(QObject* sender)>;

// The texts the list and its page show; the conversion page writes their translations here, then
// calls SetupColumns.
extern QString TextBytes;
extern QString TextKB;
extern QString TextMB;
extern QString TextName;
extern QString TextPath;
extern QString TextInformation;
extern QString TextNotAvailable;

// The conversion page's list of source files: one row per TAudioFile with its name, status and
// folder. Rows are added without duplicates and only for the types the program converts; files
// dropped from a file manager are handed to the owner through OnDropItems. While the list is empty
// it can show a centred hint of four lines.
class TAudioFilesListView : public QTreeWidget {
    Q_OBJECT
    Q_PROPERTY(QString Line1 READ Line1 WRITE SetLine1)
    Q_PROPERTY(QString Line2 READ Line2 WRITE SetLine2)
    Q_PROPERTY(QString Line3 READ Line3 WRITE SetLine3)
    Q_PROPERTY(QString Line4 READ Line4 WRITE SetLine4)
    Q_PROPERTY(bool LinesShow READ LinesShow WRITE SetLinesShow)

public:
    static constexpr int NameColumn = 0;
    static constexpr int InformationColumn = 1;
    static constexpr int PathColumn = 2;

    explicit TAudioFilesListView(QWidget* parent = nullptr);

    // Sorts the names, then adds each supported one that is not listed yet (nor earlier in this call).
    void AddFiles(QStringList files);
    // Adds one row when the file type is supported.
    void AddFile(const QString& fileName);
    // Deletes every row of that entry; the entry itself stays with its caller.
    void RemoveAudioFile(const TAudioFile* audioFile);
    void DeleteSelected();
    void ClearFiles();
    // The entries of all rows, in row order.
    std::vector<std::shared_ptr<TAudioFile>> GetAudioFiles() const;
    std::shared_ptr<TAudioFile> AudioFileOf(const QTreeWidgetItem* item) const;
    // The row of this list that shows the entry, or none.
    QTreeWidgetItem* ItemOf(const TAudioFile& audioFile) const;
    // Every entry back to waiting, with an empty text.
    void ClearStatuses();
    // Rebuilds the columns with the current captions and rewrites every row.
    void SetupColumns();
    void DoChange();

    bool IsAdding() const { return adding_; }

    const QString& Line1() const { return lines_[0]; }
    const QString& Line2() const { return lines_[1]; }
    const QString& Line3() const { return lines_[2]; }
    const QString& Line4() const { return lines_[3]; }
    void SetLine1(const QString& text) { SetLine(0, text); }
    void SetLine2(const QString& text) { SetLine(1, text); }
    void SetLine3(const QString& text) { SetLine(2, text); }
    void SetLine4(const QString& text) { SetLine(3, text); }
    bool LinesShow() const { return linesShow_; }
    void SetLinesShow(bool show);
    // True while the hint is on screen: asked for, and no row to cover it.
    bool HintShown() const { return linesShow_ && topLevelItemCount() == 0; }

    // A menu shown on right click; with one attached, Delete is left to its own shortcut, which its
    // items keep while the list has the focus.
    QMenu* PopupMenu() const { return popupMenu_; }
    void SetPopupMenu(QMenu* menu);

    // Fired after every operation that may have changed the number of rows.
    TNotifyEvent OnCountMayHaveChanged;
    // Fired once per drop with the full local names dropped, files and folders alike.
    TOnDropItems OnDropItems;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    void SetLine(int index, const QString& text);
    void UpdateItem(QTreeWidgetItem* item);
    void FitColumnsToContents();
    void FitColumnsToHeader();
    void AfterDeletion();
    bool TakesDrop(const QDropEvent* event) const;
    void PaintHint();

    QString lines_[4];
    bool linesShow_ = false;
    bool adding_ = false;
    QPointer<QMenu> popupMenu_;
};
