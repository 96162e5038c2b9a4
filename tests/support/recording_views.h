#pragma once

#include "audio/audio_file.h"
#include "engine/command_common_data.h"
#include "engine/command_interface.h"
#include "foundation/log_procedures.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <functional>

// Views that remember what the engine showed on them. Views given the same journal write into it in
// the order the updates came, each line headed by the view's name.

class RecordingProgressView : public TProgressView {
public:
    explicit RecordingProgressView(const QString& name = "bar", QStringList* journal = nullptr)
        : name_(name), journal_(journal)
    {
    }

    void SetRange(int minimum, int maximum) override
    {
        Minimum = minimum;
        Maximum = maximum;
    }
    void SetPosition(int position) override
    {
        Positions << position;
        if (journal_)
            *journal_ << name_ + ' ' + QString::number(position);
        if (OnPosition)
            OnPosition(position);
    }
    // The last position shown, -1 before any.
    int Position() const { return Positions.isEmpty() ? -1 : Positions.last(); }

    int Minimum = 0, Maximum = 100;
    QList<int> Positions;
    std::function<void(int position)> OnPosition;

private:
    QString name_;
    QStringList* journal_;
};

class RecordingCaptionView : public TCaptionView {
public:
    explicit RecordingCaptionView(const QString& caption = QString(), QStringList* journal = nullptr)
        : Caption(caption), journal_(journal)
    {
    }

    void SetCaption(const QString& text) override
    {
        Caption = text;
        if (journal_)
            *journal_ << "label " + text;
    }

    QString Caption;

private:
    QStringList* journal_;
};

class RecordingLineSink : public TLineSink {
public:
    int LineCount() const override { return int(Lines.size()); }
    void Clear() override
    {
        Lines.clear();
        ShowsFirstLine = false;
    }
    void AddLine(const QString& line) override
    {
        Lines << line;
        ShowsFirstLine = false;
    }
    void ShowFirstLine() override { ShowsFirstLine = true; }

    QStringList Lines;
    bool ShowsFirstLine = false; // since the last change
};

// A list row's status cell.
class RecordingFileStatusView : public TFileStatusView {
public:
    explicit RecordingFileStatusView(QStringList* journal = nullptr) : journal_(journal) {}

    QString StatusCellText() const override { return Cell; }
    void SetStatusCellText(const QString& text) override
    {
        Cell = text;
        ++Writes;
        if (journal_)
            *journal_ << "entry " + text;
    }
    void EnsureVisible() override { ++Scrolls; }

    QString Cell;
    int Writes = 0, Scrolls = 0;

private:
    QStringList* journal_;
};

// A log view that keeps the texts it was given, whatever their level.
class RecordingLogView : public TLogView {
public:
    void AddText(const QString& text) override { Lines << text; }
    void AddDebug(const QString& text) override { Lines << text; }
    void AddWarning(const QString& text) override { Lines << text; }
    void AddInformation(const QString& text) override { Lines << text; }
    void AddError(const QString& text) override { Lines << text; }
    void AddStrings(const QStringList& lines) override { Lines << lines; }
    void Clear() override { Lines.clear(); }
    void Refresh() override {}
    QString SetLogFileName(const QString&) override { return QString(); }
    void CloseLogFile() override {}
    void ClearLogFile() override {}

    QStringList Lines;
};
