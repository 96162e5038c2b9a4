#include "components/sounds_list_view.h"

#include "foundation/file_types.h"
#include "foundation/sound_item.h"
#include "foundation/sounds_manager.h"
#include "platform/icon_list.h"

#include <QHeaderView>

namespace {

constexpr int kSoundRole = Qt::UserRole;

} // namespace

TSoundsListView::TSoundsListView(QWidget* parent) : QTreeWidget(parent)
{
    setupLayout();
    // Every way a check mark changes (click, double click, space) ends here.
    connect(this, &QTreeWidget::itemChanged, this, &TSoundsListView::syncCheck);
}

void TSoundsListView::setupLayout()
{
    setColumnCount(1);
    setHeaderLabels({QStringLiteral("Sounds")});
    setHeaderHidden(true);
    setRootIsDecorated(false);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    header()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
}

TSoundItem* TSoundsListView::SoundOf(const QTreeWidgetItem* row) const
{
    return row ? static_cast<TSoundItem*>(row->data(0, kSoundRole).value<void*>()) : nullptr;
}

void TSoundsListView::showSound(QTreeWidgetItem* row, TSoundItem* sound)
{
    const QSignalBlocker quiet(this);
    row->setData(0, kSoundRole, QVariant::fromValue(static_cast<void*>(sound)));
    row->setIcon(0, sound->HasWaveData() ? plat::IconList::Instance().Icon(SoundIconIndex) : QIcon());
    row->setText(0, sound->TranslatedCaption());
    row->setFlags(row->flags() | Qt::ItemIsUserCheckable);
    row->setCheckState(0, sound->UseIt() ? Qt::Checked : Qt::Unchecked);
}

void TSoundsListView::FillList()
{
    setUpdatesEnabled(false);
    clear();
    setupLayout();
    for (TSoundItem* sound : GetSoundsList())
        showSound(new QTreeWidgetItem(this), sound);
    setUpdatesEnabled(true);
}

void TSoundsListView::UpdateSound(TSoundItem* sound)
{
    for (int i = 0; sound && i < topLevelItemCount(); ++i) {
        if (SoundOf(topLevelItem(i)) == sound) {
            showSound(topLevelItem(i), sound);
            return;
        }
    }
    FillList();
}

void TSoundsListView::syncCheck(QTreeWidgetItem* row)
{
    TSoundItem* sound = SoundOf(row);
    if (!sound)
        return;
    sound->SetUseIt(row->checkState(0) == Qt::Checked);
    const QSignalBlocker quiet(this);
    row->setCheckState(0, sound->UseIt() ? Qt::Checked : Qt::Unchecked);
}
