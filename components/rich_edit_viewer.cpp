#include "components/rich_edit_viewer.h"

#include "platform/url_opener.h"

#include <QEvent>
#include <QRegularExpression>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <utility>

namespace {

const QRegularExpression& addressPattern()
{
    static const QRegularExpression pattern(
        QStringLiteral(R"re(\b(?:(?:https?|ftp)://|www\.|mailto:)[^\s<>"{}]*[^\s<>"{}.,;:!?)\]'])re"),
        QRegularExpression::CaseInsensitiveOption);
    return pattern;
}

QString linkTarget(const QString& address)
{
    return address.startsWith(QStringLiteral("www."), Qt::CaseInsensitive)
               ? QStringLiteral("http://") + address
               : address;
}

} // namespace

TRichEditViewer::TRichEditViewer(QWidget* parent) : QTextBrowser(parent)
{
    setOpenLinks(false);
    setOpenExternalLinks(false);
    connect(this, &QTextBrowser::anchorClicked, this, &TRichEditViewer::openLink);
}

void TRichEditViewer::SetUseRichEdit(bool value)
{
    if (value == useRichEdit_)
        return;
    // The text stays; what the rich form adds to it, its formats and links, comes and goes with the mode.
    const QString text = toPlainText();
    useRichEdit_ = value;
    setPlainText(text);
    DetectLinks();
}

void TRichEditViewer::DetectLinks()
{
    if (!useRichEdit_)
        return;
    QTextDocument* text = document();
    for (QTextCursor found = text->find(addressPattern()); !found.isNull();
         found = text->find(addressPattern(), found)) {
        QTextCharFormat link;
        link.setAnchor(true);
        link.setAnchorHref(linkTarget(found.selectedText()));
        link.setFontUnderline(true);
        found.mergeCharFormat(link);
    }
    colourLinks();
}

void TRichEditViewer::changeEvent(QEvent* event)
{
    QTextBrowser::changeEvent(event);
    if (event->type() == QEvent::PaletteChange)
        colourLinks();
}

// The links take the link colour of the theme in use.
void TRichEditViewer::colourLinks()
{
    // Where each link starts and ends: recolouring splits and joins the document's fragments.
    QList<std::pair<int, int>> links;
    for (QTextBlock block = document()->begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor())
                links.append({it.fragment().position(), it.fragment().position() + it.fragment().length()});
    QTextCharFormat colour;
    colour.setForeground(palette().link());
    for (const auto& [start, end] : links) {
        QTextCursor span(document());
        span.setPosition(start);
        span.setPosition(end, QTextCursor::KeepAnchor);
        span.mergeCharFormat(colour);
    }
}

// Everything goes through the opener, which refuses any address that could start a local program.
void TRichEditViewer::openLink(const QUrl& url)
{
    plat::UrlOpener::Open(url.toString());
}
