#include "foundation/web_version_check.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/patience.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QUrl>

class WebVersionCheck : public TempWorld {
protected:
    LoopbackHttpServer server_;
};

TEST_F(WebVersionCheck, SucceedsOnlyWithStatus200AndReadsOnlyAMarkedDocument)
{
    server_.SetAnswer("/ok", {200, "TAMSEL.WORKS\r\n  version= 2.5.1  \nHomePage=http://h/\r\rlast"});
    server_.SetAnswer("/unmarked", {200, "other\nVersion=9.9.9\nHomePage=http://h/"});
    server_.SetAnswer("/huge", {200, "tamsel.works\n" + QByteArray(70 * 1024, 'x')});
    server_.SetAnswer("/never", {200, {}, true});
    const struct {
        QString Url;
        bool Success;
        QString Status, Version;
        int DocLines;
    } cases[] = {
        {server_.Url("/ok"), true, "Success: OK", "2.5.1", 3},
        {server_.Url("/unmarked"), true, "Success: OK", "", 0},
        {server_.Url("/missing"), false, "Client Error: Not found", "", 0},
        {server_.Url("/huge"), false, "Success: OK", "", 2},
        {server_.Url("/never"), false, "Unknown Status Code", "", 0},
        {LoopbackHttpServer::RefusedUrl(), false, "Unknown Status Code", "", 0},
        {QUrl::fromLocalFile(WriteFile("doc", "tamsel.works\nVersion=1")).toString(), false,
         "Unknown Status Code", "", 0},
        {QString(), false, "Empty Url Error", "", 0},
    };
    for (const auto& c : cases) {
        bool done = false;
        TWebVersionCheck check;
        // Only the answer that never comes meets the limit, short to keep it quick; the others may take
        // any time on a loaded machine.
        check.TimeoutMs = c.Url == server_.Url("/never") ? 300 : PatienceLeft();
        check.OnCheckDone = [&](QObject*, bool success, bool showFailure, bool tryAlternate, const QString&,
                                const QString&, const QString& status, const QString& version,
                                const QStringList* doc) {
            done = true;
            EXPECT_EQ(success, c.Success) << c.Url.toStdString();
            EXPECT_EQ(status, c.Status) << c.Url.toStdString();
            EXPECT_EQ(version, c.Version) << c.Url.toStdString();
            EXPECT_EQ(doc ? doc->size() : 0, c.DocLines) << c.Url.toStdString();
            EXPECT_TRUE(showFailure && tryAlternate) << "the request's flags come back";
        };
        check.Check(c.Url, c.Url, true, true);
        EXPECT_TRUE(Reaches([&] { return done; }, "the check's end")) << c.Url.toStdString();
    }
    EXPECT_EQ(SplitAnswerLines("a\r\nb\rc\nd"), SplitAnswerLines("a\nb\nc\nd"));
}
