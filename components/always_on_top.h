#pragma once

#include <QObject>
#include <QPointer>
#include <QString>

#include <functional>

class QWidget;

// Keeps its form above the other windows while StayOnTop is set. The window manager's menu cannot be
// given an item by a Qt program, so StayOnTopMessage is only kept; the program's own menu is the control.
class TStayOnTop : public QObject {
    Q_OBJECT

public:
    using TStayOnTopEvent = std::function<void(QObject* Sender, bool StayOnTop)>;

    // The form is the owner when the owner is a window, else there is none.
    explicit TStayOnTop(QObject* owner);

    bool StayOnTop() const { return stayOnTop_; }
    void SetStayOnTop(bool value);
    QString StayOnTopMessage() const { return stayOnTopMessage_; }
    void SetStayOnTopMessage(const QString& text);
    TStayOnTopEvent OnStayOnTop;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void KeepAbove(bool value);

    QPointer<QWidget> form_;
    bool stayOnTop_ = false;
    QString stayOnTopMessage_ = QStringLiteral("Always on Top");
};
