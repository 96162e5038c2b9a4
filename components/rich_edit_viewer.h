#pragma once

#include <QTextBrowser>

// A read-only rich text view that finds the web and mail addresses in its text and opens a clicked
// one. Switched to plain mode it shows a text as it is, markup included.
class TRichEditViewer : public QTextBrowser {
    Q_OBJECT
    Q_PROPERTY(bool UseRichEdit READ UseRichEdit WRITE SetUseRichEdit)

public:
    explicit TRichEditViewer(QWidget* parent = nullptr);

    bool UseRichEdit() const { return useRichEdit_; }
    // Changing the mode keeps the text; the rich mode finds its addresses again.
    void SetUseRichEdit(bool value);

    // Makes every address in the document a link: http://, https://, ftp://, www. and mailto:.
    void DetectLinks();

protected:
    void changeEvent(QEvent* event) override;

private:
    void colourLinks();
    void openLink(const QUrl& url);

    bool useRichEdit_ = true;
};
