#include "app/form_settings_sounds.h"

#include "components/list_strings.h"
#include "components/sounds_list_view.h"
#include "foundation/brindlow_sounds.h"
#include "foundation/browse_for_folder.h"
#include "foundation/language.h"
#include "foundation/sound_item.h"
#include "foundation/sounds_manager.h"
#include "foundation/useful_files.h"
#include "foundation/useful_string.h"
#include "platform/paths.h"

#include <QCheckBox>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSignalBlocker>
#include <QStyle>
#include <QVBoxLayout>

namespace {

// Where the sound browser starts when a sound has no folder of its own; each file chosen moves it.
QString& DefaultSoundFolder()
{
    static QString folder = plat::SoundFolder();
    return folder;
}

QString FolderPartOf(const QString& name)
{
    return name.left(name.lastIndexOf(u'/') + 1);
}

QPushButton* AddButton(QWidget* parent, QHBoxLayout* row, const QString& name, const QString& caption)
{
    auto* button = new QPushButton(caption, parent);
    button->setObjectName(name);
    row->addWidget(button);
    return button;
}

QPushButton* AddIconButton(QWidget* parent, QHBoxLayout* row, const QString& name,
                           QStyle::StandardPixmap icon)
{
    QPushButton* button = AddButton(parent, row, name, QString());
    button->setIcon(parent->style()->standardIcon(icon));
    return button;
}

} // namespace

TPageSettingsSounds::TPageSettingsSounds(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageSettingsSounds"));
    ListStringsToTranslate->SetProperties({QStringLiteral("CheckBoxEnableSounds"),
                                           QStringLiteral("ButtonLocationSound"),
                                           QStringLiteral("ButtonClearSound")});
    auto* layout = new QVBoxLayout(this);
    CheckBoxEnableSounds = new QCheckBox(QStringLiteral("Enable sounds"), this);
    CheckBoxEnableSounds->setObjectName(QStringLiteral("CheckBoxEnableSounds"));
    layout->addWidget(CheckBoxEnableSounds);
    SoundsVisualList = new TSoundsListView(this);
    SoundsVisualList->setObjectName(QStringLiteral("SoundsVisualList"));
    layout->addWidget(SoundsVisualList, 1);

    auto* fileRow = new QHBoxLayout;
    EditSoundFilename = new QLineEdit(this);
    EditSoundFilename->setObjectName(QStringLiteral("EditSoundFilename"));
    EditSoundFilename->setReadOnly(true);
    fileRow->addWidget(EditSoundFilename, 1);
    BitBtnPlay = AddIconButton(this, fileRow, QStringLiteral("BitBtnPlay"), QStyle::SP_MediaPlay);
    BitBtnStop = AddIconButton(this, fileRow, QStringLiteral("BitBtnStop"), QStyle::SP_MediaStop);
    ButtonClearSound = AddButton(this, fileRow, QStringLiteral("ButtonClearSound"), QStringLiteral("Clear"));
    ButtonLocationSound =
        AddButton(this, fileRow, QStringLiteral("ButtonLocationSound"), QStringLiteral("Browse"));
    layout->addLayout(fileRow);

    connect(SoundsVisualList, &QTreeWidget::itemSelectionChanged, this, [this] {
        QTreeWidgetItem* row = SelectedRow();
        SoundsVisualListSelectItem(row, row != nullptr);
    });
    // On every change, not only a click: the manager's switch sets the box while its settings load.
    connect(CheckBoxEnableSounds, &QCheckBox::toggled, this, &TPageSettingsSounds::CheckBoxEnableSoundsClick);
    connect(EditSoundFilename, &QLineEdit::textChanged, this, &TPageSettingsSounds::EditSoundFilenameChange);
    connect(BitBtnPlay, &QPushButton::clicked, this, &TPageSettingsSounds::BitBtnPlayClick);
    connect(BitBtnStop, &QPushButton::clicked, this, &TPageSettingsSounds::BitBtnStopClick);
    connect(ButtonClearSound, &QPushButton::clicked, this, &TPageSettingsSounds::ButtonClearSoundClick);
    connect(ButtonLocationSound, &QPushButton::clicked, this, &TPageSettingsSounds::ButtonLocationSoundClick);

    TSoundsNotifications& notifications = SoundsNotifications();
    notifications.OnSoundsChanged = [this] { SoundsItemsChanged(); };
    notifications.OnSoundItemChanged = [this](TSoundItem* item) { SoundsItemChanged(item); };
    notifications.OnSoundsEnabledChanged = [this] { SoundsEnabledChanged(); };
    CheckBoxEnableSounds->setChecked(GetSoundsEnabled());
    EnableSoundButtons(false);
    ButtonLocationSound->setEnabled(false);
    FormCreate();
}

TPageSettingsSounds::~TPageSettingsSounds()
{
    SoundsNotifications() = {};
}

void TPageSettingsSounds::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("Sounds")).trimmed());
}

void TPageSettingsSounds::PageShow()
{
    FillList();
    EditSoundFilenameChange();
}

void TPageSettingsSounds::showEvent(QShowEvent* event)
{
    TBrindlowTabbedForm::showEvent(event);
    SoundsItemsChanged();
}

void TPageSettingsSounds::LoadSettings()
{
    // The list follows the box, which shows the manager's switch. The box's signal brings the list
    // along only when the box changes, which a switch already off when the page was made never does;
    // a switch loaded later reaches the box through the manager's notification.
    if (SettingsStore())
        CheckBoxEnableSoundsClick();
}

void TPageSettingsSounds::EnableSoundButtons(bool value)
{
    for (QWidget* control :
         {static_cast<QWidget*>(BitBtnPlay), static_cast<QWidget*>(BitBtnStop),
          static_cast<QWidget*>(ButtonClearSound), static_cast<QWidget*>(EditSoundFilename)})
        control->setEnabled(value);
}

void TPageSettingsSounds::EditSoundFilenameChange()
{
    EnableSoundButtons(!EditSoundFilename->text().trimmed().isEmpty() && CheckBoxEnableSounds->isChecked());
}

void TPageSettingsSounds::SoundsVisualListSelectItem(QTreeWidgetItem* item, bool selected)
{
    const TSoundItem* sound = selected ? SoundsVisualList->SoundOf(item) : nullptr;
    EditSoundFilename->setText(sound ? sound->FileName() : QString());
    ButtonLocationSound->setEnabled(SelectedRow() != nullptr);
}

void TPageSettingsSounds::CheckBoxEnableSoundsClick()
{
    const bool value = CheckBoxEnableSounds->isChecked();
    SoundsVisualList->clearSelection();
    SoundsVisualList->setEnabled(value);
    SetSoundsEnabled(value);
    FillList();
}

void TPageSettingsSounds::SoundsItemsChanged()
{
    if (IsInactiveEmbedded())
        return;
    FillList();
    RefreshSelection();
}

void TPageSettingsSounds::SoundsItemChanged(TSoundItem* item)
{
    if (IsInactiveEmbedded())
        return;
    SoundsVisualList->UpdateSound(item);
    ShowCheckBoxes();
    RefreshSelection();
}

void TPageSettingsSounds::SoundsEnabledChanged()
{
    CheckBoxEnableSounds->setChecked(GetSoundsEnabled());
}

void TPageSettingsSounds::BitBtnPlayClick()
{
    if (const TSoundItem* sound = SelectedSound())
        PlaySoundItem(sound);
    SoundsVisualList->viewport()->update();
}

void TPageSettingsSounds::BitBtnStopClick()
{
    StopSound();
    SoundsVisualList->viewport()->update();
}

void TPageSettingsSounds::ButtonClearSoundClick()
{
    if (TSoundItem* sound = SelectedSound())
        sound->SetFileName(QString());
    SoundsVisualList->viewport()->update();
}

QString TPageSettingsSounds::BrowseStartFolder(const TSoundItem* sound) const
{
    const QString folder = FolderPartOf(sound->FileName());
    if (!folder.isEmpty() && FolderExists(folder))
        return folder;
    return FolderExists(GetSoundFolder()) ? GetSoundFolder() : DefaultSoundFolder();
}

void TPageSettingsSounds::ButtonLocationSoundClick()
{
    TSoundItem* sound = SelectedSound();
    if (!sound)
        return;
    const QString wav = QStringLiteral("WAV");
    const QString filter =
        Format(TranslateMsg(QStringLiteral("%s file")), wav) + QStringLiteral(" (*.wav;*.wave)|*.wav;*.wave");
    const QString fileName = SelectOpenFileName(wav, filter, false, BrowseStartFolder(sound));
    // A cancelled or refused choice keeps the sound chosen before.
    if (fileName.isEmpty())
        return;
    sound->SetFileName(fileName);
    DefaultSoundFolder() = FolderPartOf(fileName);
    SoundsVisualList->viewport()->update();
}

QTreeWidgetItem* TPageSettingsSounds::SelectedRow() const
{
    const QList<QTreeWidgetItem*> rows = SoundsVisualList->selectedItems();
    return rows.isEmpty() ? nullptr : rows.first();
}

TSoundItem* TPageSettingsSounds::SelectedSound() const
{
    return SoundsVisualList->SoundOf(SelectedRow());
}

void TPageSettingsSounds::RefreshSelection()
{
    QTreeWidgetItem* row = SelectedRow();
    SoundsVisualListSelectItem(row, row != nullptr);
}

void TPageSettingsSounds::FillList()
{
    SoundsVisualList->FillList();
    ShowCheckBoxes();
}

void TPageSettingsSounds::ShowCheckBoxes()
{
    if (CheckBoxEnableSounds->isChecked())
        return;
    // Quietly, or the list would take the missing marks for sounds switched off.
    const QSignalBlocker quiet(SoundsVisualList);
    for (int i = 0; i < SoundsVisualList->topLevelItemCount(); ++i) {
        QTreeWidgetItem* row = SoundsVisualList->topLevelItem(i);
        row->setData(0, Qt::CheckStateRole, QVariant());
        row->setFlags(row->flags() & ~Qt::ItemIsUserCheckable);
    }
}
