#pragma once

#include <QObject>
#include <QStringList>

// A string list as a named component. Every form carries one named "ListStringsToTranslate" that
// lists the components whose captions the language file translates; forms fill it with one
// SetProperties({...}) of literal names, which the language file check reads from the sources.
class TListStrings : public QObject {
    Q_OBJECT
    Q_PROPERTY(QStringList Properties READ Properties WRITE SetProperties)

public:
    explicit TListStrings(QObject* parent = nullptr);

    const QStringList& Properties() const { return properties_; }
    QStringList& Properties() { return properties_; }
    void SetProperties(const QStringList& properties) { properties_ = properties; }

private:
    QStringList properties_;
};

// The list every form carries as "ListStringsToTranslate".
TListStrings* NewListStringsToTranslate(QObject* form);
