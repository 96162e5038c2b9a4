#include "app/form_history.h"

#include "app/history_info.h"
#include "components/rich_edit_viewer.h"
#include "foundation/language.h"
#include "foundation/useful_string.h"
#include "platform/dialogs.h"

#include <QFile>
#include <QHBoxLayout>
#include <QPushButton>
#include <QRegularExpression>
#include <QSaveFile>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextList>
#include <QVBoxLayout>

namespace {

const QString continuationIndent(8, u' ');
const QString joinIndent(2, u' ');

bool isHeader(const QString& line)
{
    static const QRegularExpression releaseDate(QStringLiteral(R"(^\d{4}-\d\d-\d\d)"));
    return line.startsWith(QStringLiteral("200")) || line.startsWith(QStringLiteral("HISTORY")) ||
           releaseDate.match(line).hasMatch();
}

// What the history reader remembers from one line to the next.
class HistoryReader {
public:
    explicit HistoryReader(THistoryWriter& writer) : writer_(writer) {}

    void Read(const QString& raw, bool first)
    {
        const QString line = raw.trimmed();
        if (line.startsWith(QStringLiteral("* ")))
            bullet(line);
        else if (line.startsWith(QStringLiteral("- ")))
            subItem(line);
        else if (raw.startsWith(continuationIndent))
            run(u' ' + line, THistoryWriter::StyleNormal);
        else
            paragraph(raw, line, first);
    }

private:
    void bullet(const QString& line)
    {
        writer_.ParagraphBreak();
        if (inSubList_) {
            inSubList_ = false;
            if (inBullets_)
                writer_.BulletListStart();
        }
        if (!inBullets_) {
            inBullets_ = true;
            writer_.BulletListStart();
        }
        writer_.BulletMark();
        run(line.mid(1).trimmed(), THistoryWriter::StyleNormal);
    }

    void subItem(const QString& line)
    {
        writer_.ParagraphBreak();
        if (!inSubList_) {
            inSubList_ = true;
            writer_.SubListStart();
        }
        writer_.SubItemMark();
        run(line.mid(1).trimmed(), THistoryWriter::StyleNormal);
    }

    void paragraph(const QString& raw, QString line, bool first)
    {
        if (raw == joinIndent + line)
            line = u' ' + line;
        else if (!first)
            writer_.ParagraphBreak();
        inSubList_ = false;
        if (inBullets_) {
            inBullets_ = false;
            writer_.ListEnd();
        }
        if (line.startsWith(QStringLiteral("~~~~~~")))
            run(QStringLiteral("--------------"), THistoryWriter::StyleBold);
        else
            run(line, isHeader(line) ? THistoryWriter::StyleBold : THistoryWriter::StyleNormal);
    }

    void run(const QString& text, THistoryWriter::TStyle style)
    {
        if (!text.isEmpty())
            writer_.Run(text, style);
    }

    THistoryWriter& writer_;
    bool inBullets_ = false;
    bool inSubList_ = false;
};

// Writes into a document through a cursor: bullets and sub-items become lists, which draw their own
// marks.
class DocumentWriter : public THistoryWriter {
public:
    explicit DocumentWriter(QTextDocument* document) : cursor_(document) {}

    void ParagraphBreak() override
    {
        cursor_.insertBlock();
        applyKind();
    }
    void BulletListStart() override { setKind(Kind::Bullet); }
    void BulletMark() override {}
    void ListEnd() override
    {
        bullets_ = nullptr;
        setKind(Kind::Plain);
    }
    void SubListStart() override
    {
        subItems_ = nullptr;
        setKind(Kind::SubItem);
    }
    void SubItemMark() override {}
    void Run(const QString& text, TStyle style) override { cursor_.insertText(text, charFormat(style)); }

private:
    enum class Kind { Plain, Bullet, SubItem };

    static QTextCharFormat charFormat(TStyle style)
    {
        QTextCharFormat format;
        format.setFontWeight(style == StyleNormal ? QFont::Normal : QFont::Bold);
        if (style == StyleRed)
            format.setForeground(QColor(255, 0, 0));
        return format;
    }

    void setKind(Kind kind)
    {
        kind_ = kind;
        applyKind();
    }

    // The paragraph under the cursor leaves its list, if any, and joins the one of the current kind.
    void applyKind()
    {
        const QTextBlock block = cursor_.block();
        if (QTextList* list = block.textList())
            list->remove(block);
        cursor_.setBlockFormat(QTextBlockFormat());
        if (kind_ == Kind::Bullet)
            join(bullets_, QTextListFormat::ListDisc, 1);
        else if (kind_ == Kind::SubItem)
            join(subItems_, QTextListFormat::ListCircle, 2);
    }

    void join(QTextList*& list, QTextListFormat::Style style, int indent)
    {
        if (list) {
            list->add(cursor_.block());
            return;
        }
        QTextListFormat format;
        format.setStyle(style);
        format.setIndent(indent);
        list = cursor_.createList(format);
    }

    QTextCursor cursor_;
    Kind kind_ = Kind::Plain;
    QTextList* bullets_ = nullptr;
    QTextList* subItems_ = nullptr;
};

// RTF as a rich edit control reads it; the characters outside ASCII go as \uN with "?" for readers
// that know no Unicode.
QByteArray rtfText(const QString& text)
{
    QByteArray out;
    for (const QChar c : text) {
        const char16_t code = c.unicode();
        if (code == u'\\' || code == u'{' || code == u'}')
            out += '\\' + QByteArray(1, static_cast<char>(code));
        else if (code < 0x80)
            out += static_cast<char>(code);
        else
            out += "\\u" + QByteArray::number(static_cast<qint16>(code)) + '?';
    }
    return out;
}

class RtfWriter : public THistoryWriter {
public:
    void ParagraphBreak() override { rtf_ += "\r\n\\par "; }
    void BulletListStart() override
    {
        rtf_ += "\\pard{\\pntext\\f1\\'B7\\tab}{\\*\\pn\\pnlvlblt\\pnf1\\pnindent0{\\pntxtb\\'B7}}"
                "\\fi-227\\li284\\tx284";
    }
    void BulletMark() override { rtf_ += "{\\pntext\\f2\\'B7\\tab}"; }
    void ListEnd() override { rtf_ += "\\pard\\li57\\tx284"; }
    void SubListStart() override { rtf_ += "\\pard\\fi-284\\li710\\tx1040"; }
    void SubItemMark() override { rtf_ += "o\\tab"; }
    void Run(const QString& text, TStyle style) override
    {
        const bool bold = style != StyleNormal;
        rtf_ += "\\cf" + QByteArray::number(style) + (bold ? "\\b " : " ");
        rtf_ += rtfText(text);
        if (bold)
            rtf_ += "\\b0 ";
    }

    QByteArray& Rtf() { return rtf_; }

private:
    QByteArray rtf_;
};

QByteArray rtfColour(const QColor& colour)
{
    return "\\red" + QByteArray::number(colour.red()) + "\\green" + QByteArray::number(colour.green()) +
           "\\blue" + QByteArray::number(colour.blue()) + ';';
}

} // namespace

void WriteHistory(const QStringList& lines, THistoryWriter& writer)
{
    HistoryReader reader(writer);
    for (qsizetype i = 0; i < lines.size(); ++i)
        reader.Read(lines[i], i == 0);
}

void RenderHistory(const QStringList& lines, QTextDocument* document)
{
    document->clear();
    DocumentWriter writer(document);
    WriteHistory(lines, writer);
}

QByteArray HistoryToRtf(const QStringList& lines, const QString& fontName, int pointSize,
                        const QColor& windowText)
{
    const QByteArray font = rtfText(fontName);
    RtfWriter writer;
    QByteArray& rtf = writer.Rtf();
    rtf = "{\\rtf1\\ansi\\ansicpg1252\\deff0\\deflang1036{\\fonttbl{\\f0\\fnil " + font +
          ";}{\\f1\\fnil\\fcharset0 " + font + ";}}\r\n";
    rtf += "{\\colortbl " + rtfColour(windowText) + rtfColour(QColor(255, 0, 0)) + rtfColour(windowText) +
           "}\r\n";
    rtf += "\\viewkind4\\uc1\\pard\\cf1\\f0\\fs" + QByteArray::number(2 * pointSize) + ' ';
    WriteHistory(lines, writer);
    writer.ParagraphBreak();
    rtf += "\r\n\\par }\r\n";
    return rtf;
}

TPageHistory::TPageHistory(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageHistory"));
    setWindowFlag(Qt::Tool);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);

    RichEditCredits = new TRichEditViewer(this);
    RichEditCredits->setObjectName(QStringLiteral("RichEditCredits"));
    RichEditCredits->setReadOnly(true);
    RichEditCredits->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    layout->addWidget(RichEditCredits);

    auto* buttons = new QHBoxLayout;
    ButtonLoadTextOrRtf = new QPushButton(QStringLiteral("Load File"), this);
    ButtonLoadTextOrRtf->setObjectName(QStringLiteral("ButtonLoadTextOrRtf"));
    ButtonSaveTextOrRtf = new QPushButton(QStringLiteral("Save"), this);
    ButtonSaveTextOrRtf->setObjectName(QStringLiteral("ButtonSaveTextOrRtf"));
    buttons->addWidget(ButtonLoadTextOrRtf);
    buttons->addWidget(ButtonSaveTextOrRtf);
    buttons->addStretch();
    layout->addLayout(buttons);
    connect(ButtonLoadTextOrRtf, &QPushButton::clicked, this, &TPageHistory::ButtonLoadTextOrRtfClick);
    connect(ButtonSaveTextOrRtf, &QPushButton::clicked, this, &TPageHistory::ButtonSaveTextOrRtfClick);

    FormCreate();
    ButtonLoadTextOrRtf->hide();
    ButtonSaveTextOrRtf->hide();
}

void TPageHistory::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("History")));
}

void TPageHistory::LoadSettings()
{
    TBrindlowTabbedForm::LoadSettings();
    if (SettingsStore())
        BuildHistoryRtf();
}

void TPageHistory::BuildHistoryRtf()
{
    RichEditCredits->SetUseRichEdit(true);
    RichEditCredits->clear();
    RichEditCredits->document()->setDefaultFont(RichEditCredits->font());
    RenderHistory(HistoryInfo(), RichEditCredits->document());
    RichEditCredits->DetectLinks();
}

// The view reads no RTF: a loaded file is shown as the text it holds.
void TPageHistory::ButtonLoadTextOrRtfClick()
{
    const QString fileName = plat::CurrentDialogs().ChooseOpenFile(
        {Format(TranslateMsg(QStringLiteral("Open a %s file")), QStringLiteral("RTF")), QString(), QString(),
         QStringLiteral("RTF|*.rtf|Text|*.txt")});
    if (fileName.isEmpty())
        return;
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly)) {
        plat::ShowError(Format(TranslateMsg(QStringLiteral("Can't open the file %s")), fileName));
        return;
    }
    RichEditCredits->SetUseRichEdit(false);
    RichEditCredits->setPlainText(QString::fromUtf8(file.readAll()));
}

void TPageHistory::ButtonSaveTextOrRtfClick()
{
    const QString fileName = plat::CurrentDialogs().ChooseSaveFile(
        {Format(TranslateMsg(QStringLiteral("Save %s file to")), QStringLiteral("RTF")), QString(),
         QStringLiteral("History.rtf"), QStringLiteral("RTF|*.rtf")});
    if (fileName.isEmpty())
        return;
    const QFont font = RichEditCredits->font();
    QSaveFile file(fileName);
    const bool saved = file.open(QIODevice::WriteOnly) &&
                       file.write(HistoryToRtf(HistoryInfo(), font.family(), font.pointSize(),
                                               palette().color(QPalette::WindowText))) >= 0 &&
                       file.commit();
    if (!saved)
        plat::ShowError(Format(TranslateMsg(QStringLiteral("Can't create the file %s")), fileName));
}
