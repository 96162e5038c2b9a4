#include "components/window_services.h"

#include "components/easysize.h"
#include "components/form_registry.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"

void RegisterWindowServices()
{
    SetFormTest([](const QObject* object) { return FormRegistry::Instance().IsForm(object); });
    SetScalingSwitch(SetAutomaticScaling);
}
