#include "app/form_credits.h"

#include "components/credits.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"

#include <QVBoxLayout>

const QStringList& CreditsInfo()
{
    static const QStringList credits = {
        QStringLiteral("_") + ProgramName,
        QString(),
        QStringLiteral("_Programming"),
        QStringLiteral("Korvane developers"),
        QString(),
        QStringLiteral("_Built with"),
        QStringLiteral("Qt 6"),
        QStringLiteral("FFmpeg libraries (decoding)"),
        QStringLiteral("TwoLAME library (MPEG audio encoding)"),
        QString(),
        QStringLiteral("_French translation"),
        QStringLiteral("Korvane developers"),
    };
    return credits;
}

TPageCredits::TPageCredits(QWidget* parent) : TBrindlowTabbedForm(parent)
{
    setObjectName(QStringLiteral("PageCredits"));
    setWindowFlag(Qt::Tool);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    CreditsScrolling = new TScrollingCredits(this);
    CreditsScrolling->setObjectName(QStringLiteral("CreditsScrolling"));
    // The lines take the window text colour, which a black box would hide.
    CreditsScrolling->SetBackgroundColor(palette().color(QPalette::Base));
    CreditsScrolling->SetBorderColor(palette().color(QPalette::Mid));
    CreditsScrolling->OnClick = [this](TScrollingCredits*) { CreditsScrollingClick(); };
    layout->addWidget(CreditsScrolling);
    FormCreate();
    CreditsScrolling->SetCredits(CreditsInfo());
}

void TPageCredits::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("Credits")));
}

void TPageCredits::PageShow()
{
    CreditsScrolling->Restart();
    CreditsScrolling->SetAnimate(true);
}

void TPageCredits::PageHide()
{
    CreditsScrolling->SetAnimate(false);
}

void TPageCredits::SettingsLoaded()
{
    CreditsScrolling->Restart();
    TBrindlowTabbedForm::SettingsLoaded();
}

void TPageCredits::CreditsScrollingClick()
{
    CreditsScrolling->SetAnimate(!CreditsScrolling->Animate());
}
