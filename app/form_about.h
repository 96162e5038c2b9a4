#pragma once

#include "app/brindlow_form_tabbed.h"

class QLabel;
class TAMTrBmp;
class TBoxList;
class TURLLink;

// The program's contact addresses, read from the start-up settings ("WebSiteUrl", "EMail" and
// "SupportEMail" of the program's section). None is set by default: the page then shows no link
// and opens nothing. An address that is not a plain web or mail address counts as not set.
struct TAboutAddresses {
    QString WebSite;
    QString EMail;
    QString SupportEMail;

    static TAboutAddresses Load();
};

// The program's name, version, copyright and contact links. The main window's Help menu opens the
// web site and the bug report mail through it.
class TPageAbout : public TBrindlowTabbedForm {
    Q_OBJECT

public:
    explicit TPageAbout(QWidget* parent = nullptr);

    TAMTrBmp* ImageBrindlow;
    QLabel* LabelAboutVersion;
    QLabel* LabelCopy;
    QLabel* LabelRights;
    TBoxList* TextBox;
    TURLLink* URLLinkBrindlow;
    TURLLink* MailURLLinkDF;
    TURLLink* MailURLLinkSUP;
    TURLLink* MailURLLinkBug;

    void Translate() override;
    // Shows the links of these addresses (each only when set).
    void SetAddresses(const TAboutAddresses& addresses);

    // The Help menu: open the web site, write a bug report. Nothing happens when the address is not set.
    void MenuHomePage();
    void MenuReportBug();

private:
    void ImageLogoClick();
    void showTexts();

    // The page's own texts, set when the page is translated.
    struct Texts {
        QString WebSite, EMail, Support, BugSubject, Rights, Notice;
    };

    Texts texts_;
    TAboutAddresses addresses_;
};
