#include "app/form_about.h"
#include "app/form_credits.h"
#include "app/form_history.h"
#include "components/credits.h"
#include "components/url_link.h"
#include "foundation/program_globals.h"
#include "tests/support/temp_world.h"
#include "tests/support/url_recorder.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextList>

namespace {

using AboutPages = TempWorld;

enum ListKind { NoList, Bullets, SubItems };

struct ShownParagraph {
    QString Text;
    ListKind List;
    bool Bold;

    bool operator==(const ShownParagraph&) const = default;
};

void PrintTo(const ShownParagraph& p, std::ostream* out)
{
    *out << '"' << p.Text.toStdString() << "\" list " << p.List << (p.Bold ? " bold" : "");
}

std::vector<ShownParagraph> shownParagraphs(const QStringList& lines)
{
    QTextDocument document;
    RenderHistory(lines, &document);
    std::vector<ShownParagraph> shown;
    for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        const QTextList* list = block.textList();
        const ListKind kind = !list                                                 ? NoList
                              : list->format().style() == QTextListFormat::ListDisc ? Bullets
                                                                                    : SubItems;
        const bool bold =
            block.begin() != block.end() && block.begin().fragment().charFormat().fontWeight() >= QFont::Bold;
        shown.push_back({block.text(), kind, bold});
    }
    return shown;
}

} // namespace

TEST_F(AboutPages, TheHistoryShowsBulletsSubItemsContinuationsAndBoldHeadersWithItsTextUnchanged)
{
    const struct {
        QStringList lines;
        std::vector<ShownParagraph> shown;
    } cases[] = {
        {{"HISTORY", "~~~~~~", ""},
         {{"HISTORY", NoList, true}, {"--------------", NoList, true}, {"", NoList, false}}},
        {{"2026-12-07 - Korvane v2.0.0", "", "   *  a {b} \\c <i>&amp;", "   *  d", "      - e", "        f",
          "   *  g", "", "plain"},
         {{"2026-12-07 - Korvane v2.0.0", NoList, true},
          {"", NoList, false},
          {"a {b} \\c <i>&amp;", Bullets, false},
          {"d", Bullets, false},
          {"e f", SubItems, false},
          {"g", Bullets, false},
          {"", NoList, false},
          {"plain", NoList, false}}},
        {{"2005-01-01 old", "first", "  joined"},
         {{"2005-01-01 old", NoList, true}, {"first joined", NoList, false}}},
    };
    for (const auto& c : cases)
        EXPECT_EQ(shownParagraphs(c.lines), c.shown) << c.lines.join('|').toStdString();
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
         {QUrl("https://korvane.example.org/"), QUrl("mailto:help@example.org?subject=Bug%20Report")}},
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
