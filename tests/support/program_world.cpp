#include "tests/support/program_world.h"

#include "app/korvane_main.h"
#include "app/program_main.h"
#include "components/form_registry.h"
#include "components/themes.h"
#include "foundation/useful_files.h"

#include <QCoreApplication>

ProgramWorld::ProgramWorld() = default;
ProgramWorld::~ProgramWorld() = default;

void ProgramWorld::SetUp()
{
    TempWorld::SetUp();
    LinkBuiltProgramFolders();
    AppRunning = FormShown = Closing = CancelRequested = false;
}

void ProgramWorld::TearDown()
{
    forms_.reset();
    plat::UseTheme(plat::DefaultThemeName);
    TempWorld::TearDown();
}

TKorvaneForm& ProgramWorld::Start(bool loopRuns)
{
    EXPECT_TRUE(PrepareStart());
    forms_ = std::make_unique<TProgramForms>();
    forms_->CreateAll();
    AppRunning = loopRuns;
    Main().show();
    QCoreApplication::processEvents();
    return Main();
}

void ProgramWorld::Stop()
{
    Main().close();
    forms_.reset();
    DefaultInputFolder = DefaultOutputFolder = QString();
    plat::UseTheme(plat::DefaultThemeName);
}

void ProgramWorld::Restart()
{
    Stop();
    Start();
}

TKorvaneForm& ProgramWorld::Main() const
{
    return *forms_->MainForm();
}

QObject* ProgramWorld::FindForm(const char* name)
{
    return FormRegistry::Instance().Find(QString::fromLatin1(name));
}
