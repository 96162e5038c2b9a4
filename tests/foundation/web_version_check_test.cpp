#include "foundation/web_counter_hit.h"
#include "foundation/web_version_check.h"
#include "tests/support/loopback_http_server.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"

#include <QTest>

namespace {

const QByteArray document = "TAMSEL.WORKS version document\r\n  version= 2.5.1  \nHomePage=http://h/\r\rlast";

struct CheckOutcome {
    bool Done = false;
    bool Success = false;
    bool ShowFailure = false;
    bool TryAlternate = false;
    QString Status;
    QString Version;
    QStringList Doc;
};

} // namespace

class WebVersionCheck : public TempWorld {
protected:
    CheckOutcome Check(const QString& url, int timeoutMs = 5000)
    {
        CheckOutcome outcome;
        TWebVersionCheck check;
        check.TimeoutMs = timeoutMs;
        check.OnCheckDone = [&](QObject*, bool success, bool showFailure, bool tryAlternate, const QString&,
                                const QString&, const QString& status, const QString& version,
                                const QStringList* doc) {
            outcome = {true, success, showFailure, tryAlternate, status, version, doc ? *doc : QStringList()};
        };
        check.Check(url, url, true, true);
        EXPECT_TRUE(QTest::qWaitFor([&] { return outcome.Done; }, 10000));
        return outcome;
    }

    LoopbackHttpServer server_;
};

TEST_F(WebVersionCheck, SucceedsOnlyWithStatus200AndNoTransportError)
{
    server_.SetAnswer(QStringLiteral("/ok"), {200, document});
    server_.SetAnswer(QStringLiteral("/moved"), {301, QByteArray()});
    server_.SetAnswer(QStringLiteral("/huge"), {200, "tamsel.works\n" + QByteArray(70 * 1024, 'x')});
    server_.SetAnswer(QStringLiteral("/never"), {200, QByteArray(), true});
    const struct {
        QString Url;
        bool Success;
        QString Status;
    } cases[] = {
        {server_.Url(QStringLiteral("/ok")), true, QStringLiteral("Success: OK")},
        {server_.Url(QStringLiteral("/missing")), false, QStringLiteral("Client Error: Not found")},
        {server_.Url(QStringLiteral("/moved")), false, QStringLiteral("Redirection: Moved permanently")},
        {server_.Url(QStringLiteral("/huge")), false, QStringLiteral("Success: OK")},
        {server_.Url(QStringLiteral("/never")), false, QStringLiteral("Unknown Status Code")},
        {LoopbackHttpServer::RefusedUrl(), false, QStringLiteral("Unknown Status Code")},
        {QString(), false, QStringLiteral("Empty Url Error")},
    };
    for (const auto& c : cases) {
        const CheckOutcome outcome = Check(c.Url, 300);
        EXPECT_EQ(outcome.Success, c.Success) << c.Url.toStdString();
        EXPECT_EQ(outcome.Status, c.Status) << c.Url.toStdString();
        EXPECT_TRUE(outcome.ShowFailure && outcome.TryAlternate) << "the request's flags come back";
    }
}

TEST_F(WebVersionCheck, ReadsTheVersionAndTheLinesOfAMarkedDocument)
{
    server_.SetAnswer(QStringLiteral("/ok"), {200, document});
    const CheckOutcome outcome = Check(server_.Url(QStringLiteral("/ok")));
    EXPECT_EQ(outcome.Version, QStringLiteral("2.5.1"));
    EXPECT_EQ(outcome.Doc, (QStringList{QStringLiteral("TAMSEL.WORKS version document"),
                                        QStringLiteral("HomePage=http://h/"), QStringLiteral("last")}));
    const QByteArray head = server_.Heads().value(0);
    EXPECT_TRUE(head.contains("Accept: */*")) << head.constData();
    EXPECT_TRUE(head.contains("Referer: " + server_.Url(QStringLiteral("/ok")).toUtf8())) << head.constData();
}

TEST_F(WebVersionCheck, ADocumentWithoutTheMarkerGivesNothing)
{
    EXPECT_EQ(ParseVersionAnswer({QStringLiteral("something else"), QStringLiteral("Version=9.9.9")}).Version,
              QString());
    EXPECT_TRUE(
        ParseVersionAnswer({QStringLiteral("x"), QStringLiteral("HomePage=http://h/")}).Doc.isEmpty());
    EXPECT_EQ(SplitAnswerLines("a\r\nb\rc\nd"), SplitAnswerLines("a\nb\nc\nd"));
}

TEST_F(WebVersionCheck, AHitReportsItsOutcomeAndItsLinesWhenNotSilent)
{
    server_.SetAnswer(QStringLiteral("/hit"), {200, "counted"});
    TWebCounterHit hit;
    hit.Silent = false;
    QStringList lines;
    hit.OnNewLine = [&](QObject*, const QString& line) { lines.append(line); };
    int calls = 0;
    bool succeeded = false;
    hit.OnHitCountDone = [&](QObject*, bool success, const QString&, const QString&, const QString&) {
        ++calls;
        succeeded = success;
    };
    hit.Hit(server_.Url(QStringLiteral("/hit")), QStringLiteral("ref"));
    ASSERT_TRUE(QTest::qWaitFor([&] { return calls == 1; }, 10000));
    EXPECT_TRUE(succeeded);
    EXPECT_TRUE(lines.contains(QStringLiteral("Hit Success")));
    EXPECT_TRUE(lines.contains(QStringLiteral("counted")));
    hit.Hit(QString(), QString());
    EXPECT_EQ(calls, 2);
    EXPECT_FALSE(succeeded);
}
