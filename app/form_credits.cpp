#include "app/form_credits.h"

#include "components/credits.h"
#include "foundation/language.h"
#include "foundation/program_globals.h"

#include <QEvent>
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
    ShowThemeColours();
    CreditsScrolling->OnClick = [this](TScrollingCredits*) { CreditsScrollingClick(); };
    layout->addWidget(CreditsScrolling);
    FormCreate();
    CreditsScrolling->SetCredits(CreditsInfo());
}

void TPageCredits::Translate()
{
    TBrindlowTabbedForm::Translate();
    setWindowTitle(TranslateMsg(QStringLiteral("Credits")));
    QStringList lines;
    for (const QString& line : CreditsInfo()) {
        // The heading mark stays in front of the translated heading.
        const bool heading = line.startsWith(u'_');
        const QString text = heading ? line.mid(1) : line;
        lines.append((heading ? QStringLiteral("_") : QString()) +
                     (text.isEmpty() ? text : TranslateMsg(text)));
    }
    CreditsScrolling->SetCredits(lines);
}

void TPageCredits::changeEvent(QEvent* event)
{
    if (event->type() == QEvent::PaletteChange)
        ShowThemeColours();
    TBrindlowTabbedForm::changeEvent(event);
}

void TPageCredits::ShowThemeColours()
{
    // The lines take the window text colour, which a black box would hide.
    CreditsScrolling->SetBackgroundColor(palette().color(QPalette::Base));
    CreditsScrolling->SetBorderColor(palette().color(QPalette::Mid));
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
