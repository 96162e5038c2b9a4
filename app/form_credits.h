#pragma once

#include "app/brindlow_form_tabbed.h"

class TScrollingCredits;

// The people and the libraries behind the program, scrolling while the page is
// shown; a click pauses or resumes them.
class TPageCredits : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageCredits(QWidget* parent = nullptr);

    TScrollingCredits* CreditsScrolling;

    void Translate() override;
    // Each showing starts again with the first line at the bottom.
    void PageShow() override;
    void PageHide() override;
    void SettingsLoaded() override;

    void CreditsScrollingClick();

protected:
    // The box follows the theme in use.
    void changeEvent(QEvent* event) override;

private:
    void ShowThemeColours();
};

// The credit lines; a line starting with "_" is a bold heading.
const QStringList& CreditsInfo();
