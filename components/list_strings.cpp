#include "components/list_strings.h"

TListStrings::TListStrings(QObject* parent) : QObject(parent) {}

TListStrings* NewListStringsToTranslate(QObject* form)
{
    auto* list = new TListStrings(form);
    list->setObjectName(QStringLiteral("ListStringsToTranslate"));
    return list;
}
