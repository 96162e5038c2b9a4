#include "components/engine_views.h"

#include <QPalette>
#include <QTextCursor>

#include <algorithm>

void TProgressBarView::SetRange(int minimum, int maximum)
{
    if (bar_)
        bar_->setRange(minimum, maximum);
}

void TProgressBarView::SetPosition(int position)
{
    // The bar ignores a value outside its range.
    if (bar_)
        bar_->setValue(std::clamp(position, bar_->minimum(), bar_->maximum()));
}

void TLabelCaptionView::SetCaption(const QString& text)
{
    if (!label_)
        return;
    // Back to the text colour of whatever theme is in use.
    label_->setPalette(QPalette());
    label_->setText(text);
}

int TMemoLineSink::LineCount() const
{
    return memo_ ? memo_->document()->blockCount() : 0;
}

void TMemoLineSink::Clear()
{
    if (memo_)
        memo_->clear();
}

void TMemoLineSink::AddLine(const QString& line)
{
    if (memo_)
        memo_->appendPlainText(line);
}

void TMemoLineSink::ShowFirstLine()
{
    if (!memo_)
        return;
    QTextCursor caret = memo_->textCursor();
    caret.movePosition(QTextCursor::Start);
    memo_->setTextCursor(caret);
    memo_->ensureCursorVisible();
}
