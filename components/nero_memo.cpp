#include "components/nero_memo.h"

#include "platform/dialogs.h"

#include <QEvent>
#include <QPainter>
#include <QTextBlock>
#include <QWidget>

#include <algorithm>
#include <cmath>

// A static library drops its resources unless something asks for them.
static void InitLogIconResources()
{
    static const bool registered = [] {
        Q_INIT_RESOURCE(log_icons);
        return true;
    }();
    Q_UNUSED(registered);
}

namespace {

const char* const iconNames[] = {"debug", "warning", "information", "assertion", "error", "unknown"};

bool HasIcon(int level)
{
    return level >= llDebug && level <= llUnknown;
}

// Pictures without an alpha channel are keyed transparent by their top-left pixel.
QImage FittedBitmap(const QImage& picture, const QSize& cell)
{
    if (picture.isNull() || cell.isEmpty())
        return QImage();
    const bool keyed = !picture.hasAlphaChannel();
    QImage fitted =
        picture.copy(0, 0, std::min(picture.width(), cell.width()), std::min(picture.height(), cell.height()))
            .convertToFormat(QImage::Format_ARGB32);
    if (!keyed)
        return fitted;
    const QRgb key = picture.pixel(0, 0);
    for (int y = 0; y < fitted.height(); ++y) {
        auto* line = reinterpret_cast<QRgb*>(fitted.scanLine(y));
        std::replace(line, line + fitted.width(), key, QRgb(0));
    }
    return fitted;
}

// An odd spare pixel goes before the icon.
int CentreOffset(int space, int size)
{
    return (space - size) / 2 + (space - size) % 2;
}

Qt::Alignment NumberAlignment(int numAlignment)
{
    switch (numAlignment) {
    case TNeroMemo::naRight:
        return Qt::AlignRight | Qt::AlignVCenter;
    case TNeroMemo::naCenter:
        return Qt::AlignHCenter | Qt::AlignVCenter;
    default:
        return Qt::AlignLeft | Qt::AlignVCenter;
    }
}

} // namespace

QImage LogLevelIcon(TLogLevel level)
{
    if (!HasIcon(level))
        return QImage();
    InitLogIconResources();
    return QImage(QStringLiteral(":/log_icons/%1.xpm").arg(QLatin1String(iconNames[level - 1])));
}

QString MarginNumberText(int line, int digits, bool zeroStart)
{
    return QString::number(zeroStart ? line : line + 1).rightJustified(digits, u'0');
}

// The margin strip beside the text; its rows share the viewport's vertical coordinates.
class TNeroMargin : public QWidget {
public:
    explicit TNeroMargin(TNeroMemo* memo) : QWidget(memo), memo_(memo) {}

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        memo_->PaintMargin(painter);
    }

private:
    TNeroMemo* memo_;
};

TNeroMemo::TNeroMemo(QWidget* parent) : TLogMemo(parent), margin_(new TNeroMargin(this))
{
    setLineWrapMode(NoWrap);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    connect(this, &QPlainTextEdit::updateRequest, margin_, [this] { margin_->update(); });
    LayoutMargin();
}

void TNeroMemo::AddTextWithLevel(const QString& s, TLogLevel level)
{
    if (!s.contains(u'\r') && !s.contains(u'\n')) {
        AddLineWithLevel(s, level);
        return;
    }
    QString text = plat::ForDisplay(s);
    if (text.endsWith(u'\n'))
        text.chop(1);
    for (const QString& line : text.split(u'\n'))
        AddLineWithLevel(line, level);
}

// The view is emptied before the line that would overfill it, so the newest line is always shown.
void TNeroMemo::AddLineWithLevel(const QString& s, TLogLevel level)
{
    if (LineCount() >= MaxLines)
        Clear();
    const int first = LineCount();
    AddLine(s);
    for (QTextBlock block = document()->findBlockByNumber(first); block.isValid(); block = block.next())
        block.setUserState(level);
    Invalidate();
}

void TNeroMemo::AddStrings(const QStringList& list)
{
    for (const QString& item : list)
        AddText(item);
}

void TNeroMemo::Clear()
{
    TLogMemo::Clear();
    Invalidate();
}

int TNeroMemo::LineLevel(int line) const
{
    if (line < 0 || line >= LineCount())
        return -1;
    return document()->findBlockByNumber(line).userState();
}

void TNeroMemo::SetNumShow(bool show)
{
    if (show == numShow_)
        return;
    numShow_ = show;
    if (show)
        SetIconShow(false);
    LayoutMargin();
}

void TNeroMemo::SetIconShow(bool show)
{
    if (show == iconShow_)
        return;
    iconShow_ = show;
    if (show)
        SetNumShow(false);
    LayoutMargin();
}

void TNeroMemo::SetNumDigits(int digits)
{
    digits = std::clamp(digits, 0, 8);
    if (digits == numDigits_)
        return;
    numDigits_ = digits;
    Invalidate();
}

void TNeroMemo::SetNumAlignment(int alignment)
{
    if (alignment == numAlignment_)
        return;
    numAlignment_ = alignment;
    Invalidate();
}

void TNeroMemo::SetNumZeroStart(bool zeroStart)
{
    if (zeroStart == numZeroStart_)
        return;
    numZeroStart_ = zeroStart;
    Invalidate();
}

// The upper bound wins on a control narrower than three pixels.
void TNeroMemo::SetMarginWidth(int width)
{
    width = std::min(std::max(width, 1), this->width() / 3);
    if (width == marginWidth_)
        return;
    marginWidth_ = width;
    LayoutMargin();
}

QColor TNeroMemo::MarginColor() const
{
    return marginColor_.isValid() ? marginColor_ : palette().color(QPalette::Button);
}

void TNeroMemo::SetMarginColor(const QColor& color)
{
    if (color == marginColor_)
        return;
    marginColor_ = color;
    Invalidate();
}

std::vector<TNeroMemo::TMarginRow> TNeroMemo::MarginRows() const
{
    std::vector<TMarginRow> rows;
    const QTextBlock first = firstVisibleBlock();
    if (!first.isValid())
        return rows;
    const int rowHeight = RowHeight();
    const int firstTop =
        static_cast<int>(std::lrint(blockBoundingGeometry(first).translated(contentOffset()).top()));
    const int lines = LineCount();
    // Rows past the last line are numbered too; a row cut by the bottom edge shows nothing.
    for (int i = 0;; ++i) {
        const int top = firstTop + i * rowHeight;
        if (top + rowHeight > margin_->height())
            break;
        TMarginRow row;
        row.Cell = QRect(2, top + 1, std::max(marginWidth_ - 4, 0), rowHeight);
        const int line = first.blockNumber() + i;
        if (numShow_)
            row.Number = MarginNumberText(line, numDigits_, numZeroStart_);
        if (iconShow_ && line < lines)
            row.Level = LineLevel(line);
        rows.push_back(row);
    }
    return rows;
}

bool TNeroMemo::viewportEvent(QEvent* event)
{
    if (event->type() == QEvent::Resize)
        PlaceMargin();
    return TLogMemo::viewportEvent(event);
}

void TNeroMemo::SetBitmap(TLogLevel level, const QImage& picture)
{
    bitmaps_[level - 1] = picture;
    Invalidate();
}

void TNeroMemo::SetGap(int& gap, int value)
{
    if (value < 0 || value == gap)
        return;
    gap = value;
    LayoutMargin();
}

// The text never runs under the margin.
void TNeroMemo::LayoutMargin()
{
    setViewportMargins(gapLeft_ + marginWidth_, gapTop_, gapRight_, gapBottom_);
    PlaceMargin();
}

void TNeroMemo::PlaceMargin()
{
    const QRect text = viewport()->geometry();
    margin_->setGeometry(text.left() - marginWidth_, text.top(), marginWidth_, text.height());
    Invalidate();
}

void TNeroMemo::Invalidate()
{
    margin_->update();
}

int TNeroMemo::RowHeight() const
{
    const QTextBlock first = firstVisibleBlock();
    const int height = first.isValid() ? static_cast<int>(std::lrint(blockBoundingRect(first).height())) : 0;
    return height > 0 ? height : std::max(fontMetrics().height(), 1);
}

void TNeroMemo::PaintMargin(QPainter& painter) const
{
    painter.fillRect(margin_->rect(), MarginColor());
    const QSize cell(std::max(marginWidth_ - 4, 0), RowHeight());
    std::array<QImage, 6> icons;
    if (iconShow_) {
        for (int level = llDebug; level <= llUnknown; ++level)
            icons[level - 1] = FittedBitmap(bitmaps_[level - 1], cell);
    }
    painter.setFont(font());
    painter.setPen(palette().color(QPalette::ButtonText));
    for (const TMarginRow& row : MarginRows()) {
        if (!row.Number.isEmpty())
            painter.drawText(row.Cell, NumberAlignment(numAlignment_) | Qt::TextSingleLine, row.Number);
        if (!HasIcon(row.Level) || icons[row.Level - 1].isNull())
            continue;
        const QImage& icon = icons[row.Level - 1];
        painter.drawImage(row.Cell.topLeft() + QPoint(CentreOffset(cell.width(), icon.width()),
                                                      CentreOffset(cell.height(), icon.height())),
                          icon);
    }
}
