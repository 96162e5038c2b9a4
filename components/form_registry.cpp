#include "components/form_registry.h"

FormRegistry& FormRegistry::Instance()
{
    static FormRegistry registry;
    return registry;
}

void FormRegistry::Register(QWidget* form)
{
    forms_.removeIf([](const QPointer<QWidget>& listed) { return listed.isNull(); });
    if (form && !forms_.contains(form))
        forms_.append(form);
}

QWidget* FormRegistry::Find(const QString& name) const
{
    for (const QPointer<QWidget>& form : forms_)
        if (form && form->objectName() == name)
            return form;
    return nullptr;
}

bool FormRegistry::IsForm(const QObject* object) const
{
    for (const QPointer<QWidget>& form : forms_)
        if (form && form == object)
            return true;
    return false;
}
