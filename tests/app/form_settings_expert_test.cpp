#include "app/form_settings_expert.h"
#include "foundation/settings.h"
#include "tests/support/temp_world.h"

#include <QCheckBox>

using ExpertPage = TempWorld;

TEST_F(ExpertPage, DeletingTheXmlFileTakesAwayItsCommentsAndNothingIsStored)
{
    TPageSettingsExpert page;
    TSettings store;
    page.SetSettingsStore(&store);
    page.DefineDefaults();
    for (const bool erase : {true, false, true}) {
        page.CheckBoxEraseXml->setChecked(erase);
        EXPECT_EQ(page.CheckBoxInsertXmlComments->isEnabled(), !erase);
    }
    page.SaveSettings();
    EXPECT_EQ(store.Settings().Count(), 0);
}
