#pragma once

#include "app/brindlow_form_tabbed.h"

class QCheckBox;
class QLineEdit;
class QPushButton;
class QTreeWidgetItem;
class TSoundItem;
class TSoundsListView;

// Which sound events play, the wave file each one plays, and whether sounds play at all. The page
// edits the sounds manager's live sounds, whose settings the manager keeps itself.
class TPageSettingsSounds : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageSettingsSounds(QWidget* parent = nullptr);
    ~TPageSettingsSounds() override;

    TSoundsListView* SoundsVisualList;
    QCheckBox* CheckBoxEnableSounds;
    QLineEdit* EditSoundFilename;
    QPushButton* BitBtnPlay;
    QPushButton* BitBtnStop;
    QPushButton* ButtonClearSound;
    QPushButton* ButtonLocationSound;

    void Translate() override;
    void PageShow() override;
    void LoadSettings() override;

    void EnableSoundButtons(bool value);
    void EditSoundFilenameChange();
    void SoundsVisualListSelectItem(QTreeWidgetItem* item, bool selected);
    void CheckBoxEnableSoundsClick();
    void SoundsItemsChanged();
    void SoundsItemChanged(TSoundItem* item);
    void SoundsEnabledChanged();
    void BitBtnPlayClick();
    void BitBtnStopClick();
    void ButtonClearSoundClick();
    void ButtonLocationSoundClick();

protected:
    void showEvent(QShowEvent* event) override;

private:
    QTreeWidgetItem* SelectedRow() const;
    TSoundItem* SelectedSound() const;
    void RefreshSelection();
    void FillList();
    // A list of sounds that are off shows no check boxes.
    void ShowCheckBoxes();
    QString BrowseStartFolder(const TSoundItem* sound) const;
};
