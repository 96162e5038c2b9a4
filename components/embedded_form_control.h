#pragma once

#include <QPointer>
#include <QWidget>

#include <functional>

class QVBoxLayout;
class TEmbeddedFormControl;

using TEmbeddedStatusEvent = std::function<void(TEmbeddedFormControl* sender, bool isEmbedded)>;

// Shows another live form of the application (found by name in the FormRegistry) inside itself,
// borderless and filling it, and hands it back with its own parent, flags and visibility when it
// lets it go. A form let go and then closed by the user comes back into the control.
class TEmbeddedFormControl : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QString EmbeddedFormName READ EmbeddedFormName WRITE SetEmbeddedFormName)
    Q_PROPERTY(QString ParentFormName READ ParentFormName)

public:
    // The outermost form among the parents becomes ParentFormName, so set the forms' object names
    // before creating their controls.
    explicit TEmbeddedFormControl(QWidget* parent = nullptr);
    // Hands the form back before Qt would delete it with the control's children.
    ~TEmbeddedFormControl() override;

    const QString& EmbeddedFormName() const { return embeddedFormName_; }
    // Lets the current form go and takes the named one in; the own form's name and the current
    // name change nothing. The embedding is done once more at the next paint.
    void SetEmbeddedFormName(const QString& value);
    const QString& ParentFormName() const { return parentFormName_; }

    void EmbedForm();
    QString GetEmbeddedCaption() const;
    QWidget* EmbeddedForm() const { return currentForm_; }

    // Told after each embedding (also when no form had the name) and each release.
    TEmbeddedStatusEvent OnEmbeddedChange;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    void TakeIn(QWidget* form);
    void ReleaseForm();
    bool HoldsForm() const;
    void HandBack(QWidget* form);

    QVBoxLayout* layout_;
    QString embeddedFormName_;
    QString parentFormName_;
    QPointer<QWidget> currentForm_;
    QPointer<QWidget> savedParent_;
    Qt::WindowFlags savedFlags_;
    bool savedVisible_ = false;
    bool pending_ = false;
};
