#include "components/audio_files_list_view.h"

#include "platform/icon_list.h"
#include "platform/messages.h"

#include <QContextMenuEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QHeaderView>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QScopedValueRollback>
#include <QSet>

#include <cmath>

QString TextBytes = QStringLiteral("bytes");
QString TextKB = QStringLiteral("KB");
QString TextMB = QStringLiteral("MB");
QString TextName = QStringLiteral("Name");
QString TextPath = QStringLiteral("Path");
QString TextInformation = QStringLiteral("Information");
QString TextNotAvailable = QStringLiteral("Not Available");

namespace {

constexpr int kColumnCount = 3;

// A row shares its entry with the steps of a running batch; when the row goes, the entry must no
// longer write into it.
class TAudioFileItem : public QTreeWidgetItem, public TFileStatusView {
public:
    explicit TAudioFileItem(QTreeWidget* view) : QTreeWidgetItem(view) {}
    ~TAudioFileItem() override
    {
        if (AudioFile)
            AudioFile->Detach();
    }

    QString StatusCellText() const override { return text(TAudioFilesListView::InformationColumn); }
    void SetStatusCellText(const QString& text) override
    {
        setText(TAudioFilesListView::InformationColumn, text);
    }
    void EnsureVisible() override
    {
        if (QTreeWidget* list = treeWidget())
            list->scrollToItem(this, QAbstractItemView::EnsureVisible);
    }

    std::shared_ptr<TAudioFile> AudioFile;
};

int roundHalfEven(double value)
{
    return static_cast<int>(std::nearbyint(value));
}

} // namespace

TAudioFilesListView::TAudioFilesListView(QWidget* parent) : QTreeWidget(parent)
{
    setAcceptDrops(true);
    viewport()->setAcceptDrops(true);
    SetupColumns();
}

void TAudioFilesListView::SetupColumns()
{
    setRootIsDecorated(false);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setHeaderHidden(false);
    setColumnCount(kColumnCount);
    setHeaderLabels({TextName, TextInformation, TextPath});
    for (int column = 0; column < kColumnCount; ++column)
        headerItem()->setTextAlignment(column, Qt::AlignLeft | Qt::AlignVCenter);
    header()->setStretchLastSection(false);
    FitColumnsToHeader();
    for (int row = 0; row < topLevelItemCount(); ++row)
        UpdateItem(topLevelItem(row));
    if (topLevelItemCount() > 0)
        FitColumnsToContents();
}

void TAudioFilesListView::FitColumnsToHeader()
{
    for (int column = 0; column < kColumnCount; ++column)
        header()->resizeSection(column, header()->sectionSizeHint(column));
}

void TAudioFilesListView::FitColumnsToContents()
{
    for (int column = 0; column < kColumnCount; ++column)
        resizeColumnToContents(column);
}

void TAudioFilesListView::UpdateItem(QTreeWidgetItem* item)
{
    const std::shared_ptr<TAudioFile> entry = AudioFileOf(item);
    if (!entry)
        return;
    item->setIcon(NameColumn, plat::IconList::Instance().Icon(entry->ImageIndex));
    item->setText(NameColumn, entry->FileName);
    item->setText(InformationColumn, entry->GetStatusText());
    item->setText(PathColumn, entry->Folder);
}

std::shared_ptr<TAudioFile> TAudioFilesListView::AudioFileOf(const QTreeWidgetItem* item) const
{
    const auto* row = dynamic_cast<const TAudioFileItem*>(item);
    return row != nullptr ? row->AudioFile : nullptr;
}

QTreeWidgetItem* TAudioFilesListView::ItemOf(const TAudioFile& audioFile) const
{
    auto* row = dynamic_cast<TAudioFileItem*>(audioFile.ListItem);
    return row != nullptr && row->treeWidget() == this ? row : nullptr;
}

void TAudioFilesListView::AddFiles(QStringList files)
{
    SortFileNames(files);
    // Linux tells apart names that differ only in case, so the full names are compared as they are.
    QSet<QString> listed;
    for (const std::shared_ptr<TAudioFile>& entry : GetAudioFiles())
        listed.insert(entry->FullName);
    const QScopedValueRollback adding(adding_, true);
    for (const QString& file : files) {
        const QString fullName = QFileInfo(file).absoluteFilePath();
        if (listed.contains(fullName))
            continue;
        listed.insert(fullName);
        AddFile(file);
    }
}

void TAudioFilesListView::AddFile(const QString& fileName)
{
    if (!IsSupportedAudioFile(fileName))
        return;
    auto* item = new TAudioFileItem(this);
    item->AudioFile = std::make_shared<TAudioFile>(fileName, item);
    UpdateItem(item);
    if (topLevelItemCount() == 1)
        FitColumnsToContents();
    DoChange();
    // A long list of names must not freeze the window; drops and deletions wait for the end.
    plat::PumpEvents();
}

void TAudioFilesListView::RemoveAudioFile(const TAudioFile* audioFile)
{
    if (audioFile == nullptr)
        return;
    for (int row = topLevelItemCount() - 1; row >= 0; --row) {
        if (AudioFileOf(topLevelItem(row)).get() == audioFile)
            delete takeTopLevelItem(row);
    }
    AfterDeletion();
}

void TAudioFilesListView::DeleteSelected()
{
    qDeleteAll(selectedItems());
    AfterDeletion();
}

void TAudioFilesListView::AfterDeletion()
{
    if (topLevelItemCount() == 0)
        SetupColumns();
    DoChange();
}

void TAudioFilesListView::ClearFiles()
{
    clear();
    SetupColumns();
    DoChange();
    viewport()->update();
}

std::vector<std::shared_ptr<TAudioFile>> TAudioFilesListView::GetAudioFiles() const
{
    std::vector<std::shared_ptr<TAudioFile>> entries;
    for (int row = 0; row < topLevelItemCount(); ++row) {
        if (std::shared_ptr<TAudioFile> entry = AudioFileOf(topLevelItem(row)))
            entries.push_back(std::move(entry));
    }
    return entries;
}

void TAudioFilesListView::ClearStatuses()
{
    for (const std::shared_ptr<TAudioFile>& entry : GetAudioFiles())
        entry->ClearStatus();
}

void TAudioFilesListView::DoChange()
{
    if (OnCountMayHaveChanged)
        OnCountMayHaveChanged(this);
}

void TAudioFilesListView::SetLine(int index, const QString& text)
{
    lines_[index] = text;
    viewport()->update();
}

void TAudioFilesListView::SetLinesShow(bool show)
{
    linesShow_ = show;
    viewport()->update();
}

void TAudioFilesListView::SetPopupMenu(QMenu* menu)
{
    if (popupMenu_)
        for (QAction* item : popupMenu_->actions())
            removeAction(item);
    popupMenu_ = menu;
    if (!menu)
        return;
    // A menu that is only popped up never sees a key, so its items' shortcuts are the list's too.
    for (QAction* item : menu->actions()) {
        item->setShortcutContext(Qt::WidgetWithChildrenShortcut);
        addAction(item);
    }
}

void TAudioFilesListView::keyPressEvent(QKeyEvent* event)
{
    const bool deletes = event->key() == Qt::Key_Backspace || (event->key() == Qt::Key_Delete && !popupMenu_);
    if (deletes && !adding_)
        DeleteSelected();
    QTreeWidget::keyPressEvent(event);
}

void TAudioFilesListView::contextMenuEvent(QContextMenuEvent* event)
{
    if (popupMenu_)
        popupMenu_->popup(event->globalPos());
}

bool TAudioFilesListView::TakesDrop(const QDropEvent* event) const
{
    // Names arriving while a list is being added would be mixed into it.
    return !adding_ && !DroppedFileNames(event->mimeData()).isEmpty();
}

void TAudioFilesListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (TakesDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TAudioFilesListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (TakesDrop(event))
        event->acceptProposedAction();
    else
        event->ignore();
}

void TAudioFilesListView::dropEvent(QDropEvent* event)
{
    if (!TakesDrop(event)) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    // The file manager waits for the drop to end, so the owner gets the names from the event loop.
    const QStringList names = DroppedFileNames(event->mimeData());
    QMetaObject::invokeMethod(
        this,
        [this, names] {
            if (OnDropItems)
                OnDropItems(this, names);
        },
        Qt::QueuedConnection);
}

void TAudioFilesListView::resizeEvent(QResizeEvent* event)
{
    QTreeWidget::resizeEvent(event);
    // The hint is centred on the whole control.
    viewport()->update();
}

void TAudioFilesListView::paintEvent(QPaintEvent* event)
{
    QTreeWidget::paintEvent(event);
    if (HintShown())
        PaintHint();
}

void TAudioFilesListView::PaintHint()
{
    QPainter painter(viewport());
    // The hint is laid out on the control; the viewport starts below the header.
    painter.translate(-viewport()->pos());
    painter.setFont(font());
    const QFontMetrics metrics(font());
    const int h = metrics.height();
    const QRect area(QPoint(10, 2 * h), QPoint(width() - h - 1, height() - h - 1));
    painter.fillRect(area, palette().color(QPalette::Base));
    painter.setClipRect(area);
    painter.setPen(palette().color(QPalette::Text));
    const int top = roundHalfEven((height() - 5 * h) / 2.0) + 8;
    const int rows[4] = {0, 1, 3, 4};
    for (int index = 0; index < 4; ++index) {
        const QString& line = lines_[index];
        const int x = roundHalfEven((width() - 10 - metrics.horizontalAdvance(line)) / 2.0);
        painter.drawText(QRect(x, top + rows[index] * h, width(), h), Qt::AlignLeft | Qt::AlignTop, line);
    }
}
