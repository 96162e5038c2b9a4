#pragma once

#include <QColor>
#include <QFont>
#include <QLabel>
#include <QPalette>

#include <functional>

// A label that looks like a hyperlink: it takes its focus font while the mouse is over it and opens its
// link on a click.
class TURLLink : public QLabel {
    Q_OBJECT
    Q_PROPERTY(QFont FocusFont READ FocusFont WRITE SetFocusFont)
    Q_PROPERTY(QColor FocusColor READ FocusColor WRITE SetFocusColor)
    Q_PROPERTY(QString Link READ Link WRITE SetLink)

public:
    // Longer links are refused rather than cut: a cut link would open another address.
    static constexpr int MaxLinkLength = 255;

    explicit TURLLink(QWidget* parent = nullptr);

    QFont FocusFont() const { return focusFont_; }
    void SetFocusFont(const QFont& font) { focusFont_ = font; }
    // Fonts carry no colour in Qt: the text colour while hovered; until set, the theme's
    // dark one, lightened on a dark ground.
    QColor FocusColor() const;
    void SetFocusColor(const QColor& color) { focusColor_ = color; }
    QString Link() const { return link_; }
    void SetLink(const QString& link) { link_ = link; }

    // What a click does; URLClick unless a form puts its own handler (which then calls URLClick).
    void SetClickHandler(std::function<void()> handler) { clickHandler_ = std::move(handler); }
    // Opens the link (nothing when it is empty or refused), then signals OnClicked.
    void URLClick();

Q_SIGNALS:
    void OnMouseEnter();
    void OnMouseLeave();
    void OnClicked();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QFont focusFont_;
    QColor focusColor_;
    QFont normalFont_;
    QPalette normalColours_;
    QString link_;
    std::function<void()> clickHandler_;
};
