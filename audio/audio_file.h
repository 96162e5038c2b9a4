#pragma once

#include <QString>

#include <cstdint>

// Where a source file stands in the batch; the status column of its row says it.
enum TAudioFileStatus : std::uint8_t {
    afsConverted = 0,
    afsWaiting = 1,
    afsInProgress = 2,
    afsCancelled = 3,
    afsError = 4,
};

// The list row that shows an entry: its status cell. The window side implements it over the real row.
class TFileStatusView {
public:
    virtual QString StatusCellText() const = 0;
    virtual void SetStatusCellText(const QString& text) = 0;
    // Scrolls the list so that the whole row shows.
    virtual void EnsureVisible() = 0;

protected:
    ~TFileStatusView() = default;
};

// One source file of the conversion page's list: its names, size and icon, its status, and the row
// that shows it. The list and the steps of a batch share it; the list detaches it when its row goes.
class TAudioFile {
public:
    // A missing name, or a folder, gives an entry with empty names and a zero size.
    TAudioFile(const QString& name, TFileStatusView* listItem);

    // Stores the status and its text, then shows it in the row, when there is one.
    void SetStatus(TAudioFileStatus status, const QString& text);
    TAudioFileStatus GetStatus() const { return Status; }
    QString GetStatusText() const;
    void ClearStatus();
    // In progress, with "42 %" as its text.
    void SetProgress(int percent);
    // The row is gone: the entry no longer shows itself anywhere.
    void Detach();

    QString StatusText;
    TAudioFileStatus Status = afsWaiting;
    QString FullName;
    QString LowerName;
    QString FileName;
    QString Folder; // ends with "/"
    std::int64_t FileSize = 0;
    int ImageIndex = 0;
    TFileStatusView* ListItem = nullptr; // not owned; the row detaches the entry when it goes
};

// True for the source types the program converts: ".wav", ".wave", ".mp3", ".wma", ".mp2", ".mp1",
// ".ogg", in any case.
bool IsSupportedAudioFile(const QString& name);
// "*.mp3;*.mp2;*.mp1;*.wav;*.wave;*.ogg;*.wma"
QString GetAudioFilesMask();
// The open dialog's filter, one entry per family: "Description|masks|Description|masks...".
QString GetAudioFilesFilter();
