#pragma once

#include "engine/command_common_data.h"
#include "engine/command_interface.h"

#include <QLabel>
#include <QPlainTextEdit>
#include <QPointer>
#include <QProgressBar>

// The controls the engine's steps drive, as the engine sees them: the conversion page's bars and
// percent label, and the log page's command-line memo. Each does nothing once its control is gone.

class TProgressBarView : public TProgressView {
public:
    explicit TProgressBarView(QProgressBar* bar) : bar_(bar) {}
    void SetRange(int minimum, int maximum) override;
    void SetPosition(int position) override;

private:
    QPointer<QProgressBar> bar_;
};

class TLabelCaptionView : public TCaptionView {
public:
    explicit TLabelCaptionView(QLabel* label) : label_(label) {}
    void SetCaption(const QString& text) override;

private:
    QPointer<QLabel> label_;
};

class TMemoLineSink : public TLineSink {
public:
    explicit TMemoLineSink(QPlainTextEdit* memo) : memo_(memo) {}
    int LineCount() const override;
    void Clear() override;
    void AddLine(const QString& line) override;
    void ShowFirstLine() override;

private:
    QPointer<QPlainTextEdit> memo_;
};
