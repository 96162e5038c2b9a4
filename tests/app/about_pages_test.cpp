#include "app/form_about.h"
#include "app/form_credits.h"
#include "app/form_history.h"
#include "components/am_tr_bmp.h"
#include "components/credits.h"
#include "components/themes.h"
#include "components/url_link.h"
#include "foundation/program_globals.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"
#include "tests/support/url_recorder.h"

#include <QCoreApplication>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

namespace {

using AboutPages = TempWorld;

// Each paragraph as shown: "[*] " before a bullet, "[-] " before a sub-item, "**" around bold text.
QStringList shownParagraphs(const QStringList& lines)
{
    QTextDocument document;
    RenderHistory(lines, &document);
    QStringList shown;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextList* list = block.textList();
        const QString marker = !list                                                 ? ""
                               : list->format().style() == QTextListFormat::ListDisc ? "[*] "
                                                                                     : "[-] ";
        const bool bold =
            block.begin() != block.end() && block.begin().fragment().charFormat().fontWeight() >= QFont::Bold;
        shown << marker + (bold ? "**" + block.text() + "**" : block.text());
    }
    return shown;
}

} // namespace

TEST_F(AboutPages, TheHistoryShowsBulletsSubItemsContinuationsAndBoldHeadersWithItsTextUnchanged)
{
    const std::pair<QStringList, QStringList> cases[] = {
        {{"HISTORY", "~~~~~~", ""}, {"**HISTORY**", "**--------------**", ""}},
        {{"2026-12-07 - Korvane v2.0.0", "", "   *  a {b} \\c <i>&amp;", "   *  d", "      - e", "        f",
          "   *  g", "", "plain"},
         {"**2026-12-07 - Korvane v2.0.0**", "", "[*] a {b} \\c <i>&amp;", "[*] d", "[-] e f", "[*] g", "",
          "plain"}},
        {{"2005-01-01 old", "first", "  joined"}, {"**2005-01-01 old**", "first joined"}},
    };
    for (const auto& [lines, shown] : cases)
        EXPECT_EQ(shownParagraphs(lines), shown) << lines.join('|').toStdString();
}

TEST_F(AboutPages, TheAboutPageLinksOnlyTheAddressesConfiguredAndOpensThemThroughTheOpener)
{
    const struct {
        QByteArray settings;
        bool siteShown;
        QList<QUrl> opened;
    } cases[] = {
        {"", false, {}},
        {"WebSiteUrl=javascript:alert(1)\nSupportEMail=a@b.org?cc=c@d.org\n", false, {}},
        {"WebSiteUrl=https://korvane.example.org/\nSupportEMail=help@example.org\n",
         true,
         {QUrl("https://korvane.example.org/"), QUrl("mailto:help@example.org?subject=Bug%20Report"),
          QUrl("https://korvane.example.org/")}},
    };
    for (const auto& c : cases) {
        WriteFile(GlobalSettingsFileName(), "[Korvane]\n" + c.settings);
        UrlRecorder recorder;
        TPageAbout page;
        page.Translate();
        page.show();
        EXPECT_EQ(page.URLLinkBrindlow->isVisible(), c.siteShown);
        EXPECT_FALSE(page.MailURLLinkBug->isVisible());
        page.MenuHomePage();
        page.MenuReportBug();
        QTest::mouseClick(page.findChild<TAMTrBmp*>("ImageBrindlow"), Qt::LeftButton);
        EXPECT_EQ(recorder.Opened, c.opened);
    }
}

TEST_F(AboutPages, TheCreditsScrollFromTheBottomEachTimeTheyAreShownAndAClickPausesThem)
{
    TPageCredits page;
    page.resize(400, 200);
    TScrollingCredits* credits = page.CreditsScrolling;
    std::vector<int> starts;
    for (int showing = 0; showing < 2; ++showing) {
        page.SetActive(true);
        EXPECT_TRUE(credits->Animate());
        starts.push_back(credits->ScrollPosition());
        credits->ScrollTick();
        credits->ScrollTick();
        EXPECT_EQ(credits->ScrollPosition(), starts.back() - 2);
        page.CreditsScrollingClick();
        EXPECT_FALSE(credits->Animate());
        page.CreditsScrollingClick();
        EXPECT_TRUE(credits->Animate());
        page.SetActive(false);
        EXPECT_FALSE(credits->Animate());
    }
    EXPECT_LT(starts[0], credits->height()) << "the first line stands at the bottom";
    EXPECT_EQ(starts[1], starts[0]);
    plat::UseTheme("Dark");
    QCoreApplication::processEvents();
    EXPECT_EQ(credits->BackgroundColor(), QColor(0x2a, 0x2a, 0x2a)) << "the box follows the theme";
    plat::UseTheme(plat::DefaultThemeName);

    // Once every line has gone past the top, they come back from below.
    credits->SetAnimate(true);
    int before = credits->ScrollPosition();
    credits->ScrollTick();
    while (credits->ScrollPosition() < before) {
        before = credits->ScrollPosition();
        credits->ScrollTick();
    }
    EXPECT_GT(credits->ScrollPosition(), credits->height());
    credits->SetInterval(0);
    EXPECT_EQ(credits->Interval(), 1) << "a zero interval would spin the timer";
}
