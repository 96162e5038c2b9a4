#include "components/num_edit.h"

#include <QKeyEvent>

namespace {

bool isDigit(QChar c)
{
    return c >= u'0' && c <= u'9';
}

// Typed text that is not a digit and not a control character (the copy, paste and cut keys are).
bool refusedText(const QString& text)
{
    for (const QChar c : text)
        if (!isDigit(c) && c.isPrint())
            return true;
    return false;
}

} // namespace

TNumEdit::TNumEdit(QWidget* parent) : QLineEdit(parent)
{
    connect(this, &QLineEdit::textChanged, this, &TNumEdit::keepDigits);
}

void TNumEdit::keyPressEvent(QKeyEvent* event)
{
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        Q_EMIT OnEnterPressed();
        event->accept();
        return;
    }
    if (refusedText(event->text()) && !event->matches(QKeySequence::Paste) &&
        !event->matches(QKeySequence::Copy) && !event->matches(QKeySequence::Cut)) {
        event->accept();
        return;
    }
    QLineEdit::keyPressEvent(event);
}

void TNumEdit::keepDigits()
{
    const QString current = text();
    QString digits;
    int cursor = cursorPosition();
    for (qsizetype i = 0; i < current.size(); ++i) {
        if (isDigit(current[i]))
            digits += current[i];
        else if (i < cursorPosition())
            --cursor;
    }
    if (digits == current)
        return;
    // Setting the text calls this again, which then finds only digits.
    setText(digits);
    setCursorPosition(cursor);
}
