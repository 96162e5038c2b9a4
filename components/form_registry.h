#pragma once

#include <QList>
#include <QPointer>
#include <QString>
#include <QWidget>

// The application's forms, in the order they were created. Qt forgets a form's place among the
// top-level windows once it is re-parented into a host, so the forms are listed here instead.
class FormRegistry {
public:
    static FormRegistry& Instance();

    // A destroyed form leaves the list by itself.
    void Register(QWidget* form);
    // The first listed form whose object name is exactly this one, or none.
    QWidget* Find(const QString& name) const;
    bool IsForm(const QObject* object) const;

private:
    QList<QPointer<QWidget>> forms_;
};
