#pragma once

#include <QTreeWidget>

class TSoundItem;

// The check list of the program's sound events: one row per registered sound, checked while it is in
// use. A sound without wave data can never be checked.
class TSoundsListView : public QTreeWidget {
    Q_OBJECT
    Q_PROPERTY(bool MultiSelect READ MultiSelect WRITE SetMultiSelect)

public:
    explicit TSoundsListView(QWidget* parent = nullptr);

    // The list allows one row at a time whatever is asked.
    bool MultiSelect() const { return false; }
    void SetMultiSelect(bool) {}

    // Rebuilds the rows from the registered sounds.
    void FillList();
    // Refreshes the row of one sound, or the whole list when it has none.
    void UpdateSound(TSoundItem* sound);
    TSoundItem* SoundOf(const QTreeWidgetItem* row) const;

private:
    void setupLayout();
    void showSound(QTreeWidgetItem* row, TSoundItem* sound);
    void syncCheck(QTreeWidgetItem* row);
};
