#include "components/list_strings.h"

TListStrings::TListStrings(QObject* parent) : QObject(parent) {}
