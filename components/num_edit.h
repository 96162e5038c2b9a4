#pragma once

#include <QLineEdit>

// An edit box that keeps digits only, typed or pasted. Enter signals OnEnterPressed and inserts nothing.
class TNumEdit : public QLineEdit {
    Q_OBJECT

public:
    explicit TNumEdit(QWidget* parent = nullptr);

Q_SIGNALS:
    void OnEnterPressed();

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    void keepDigits();
};
