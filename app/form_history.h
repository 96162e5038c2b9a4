#pragma once

#include "app/brindlow_form_tabbed.h"

#include <QByteArray>
#include <QColor>
#include <QStringList>

class QPushButton;
class QTextDocument;
class TRichEditViewer;

// The pieces a history document is made of, whatever form it is written in.
class THistoryWriter {
public:
    enum TStyle { StyleNormal = 0, StyleRed = 1, StyleBold = 2 };

    virtual ~THistoryWriter() = default;
    virtual void ParagraphBreak() = 0;
    virtual void BulletListStart() = 0;
    virtual void BulletMark() = 0;
    virtual void ListEnd() = 0;
    virtual void SubListStart() = 0;
    virtual void SubItemMark() = 0;
    // Never called with an empty text.
    virtual void Run(const QString& text, TStyle style) = 0;
};

// Reads history lines: "* " starts a bullet, "- " a sub-item, a line indented by eight blanks or more
// continues the paragraph above, a line indented by exactly two blanks joins the paragraph above,
// release headers (starting with their date) and the title are bold, and the title's "~~~~~~"
// underline becomes a bold line of dashes.
void WriteHistory(const QStringList& lines, THistoryWriter& writer);

// The history as a document of the rich text view: bullets and sub-items as lists, text as it is.
void RenderHistory(const QStringList& lines, QTextDocument* document);

// The history as an RTF file. Characters outside ASCII are written as Unicode escapes.
QByteArray HistoryToRtf(const QStringList& lines, const QString& fontName, int pointSize,
                        const QColor& windowText);

// The program's release history, shown in a rich text view. The two buttons stay hidden: they load a
// file into the view as plain text and save the history as RTF.
class TPageHistory : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageHistory(QWidget* parent = nullptr);

    TRichEditViewer* RichEditCredits;
    QPushButton* ButtonLoadTextOrRtf;
    QPushButton* ButtonSaveTextOrRtf;

    void Translate() override;
    void LoadSettings() override;

    void BuildHistoryRtf();
    void ButtonLoadTextOrRtfClick();
    void ButtonSaveTextOrRtfClick();
};
