#include "components/num_edit.h"
#include "components/sounds_list_view.h"
#include "components/url_link.h"
#include "foundation/sound_item.h"
#include "foundation/sounds_manager.h"
#include "platform/url_opener.h"
#include "tests/support/qt_printers.h"
#include "tests/support/temp_world.h"
#include "tests/support/url_recorder.h"
#include "tests/support/wav_image.h"

#include <QFile>
#include <QSignalSpy>
#include <QTest>

using namespace plat;

using SmallControls = TempWorld;

TEST_F(SmallControls, LinksOpenOnlyForTheWebMailAndTheProgramsOwnHelpPages)
{
    const QString page = WriteFile(ProgramFolder() + "Docs/help.htm", "<html/>");
    const QString outside = WriteFile("secret.txt", "x");
    QFile::link(outside, ProgramFolder() + "Docs/escape.htm");
    UrlRecorder recorder;
    const std::pair<QString, bool> links[] = {
        {"https://example.org/a?b=c", true},
        {"ftp://example.org/f", true},
        {"mailto:someone@example.org", true},
        {page, true},
        {QUrl::fromLocalFile(page).toString(), true},
        {"javascript:alert(1)", false},
        {"file://" + outside, false},
        {outside, false},
        {ProgramFolder() + "Docs/../../secret.txt", false},
        {ProgramFolder() + "Docs/escape.htm", false},
        {ProgramFolder() + "Docs/missing.htm", false},
        {"http:nohost", false},
    };
    for (const auto& [link, allowed] : links) {
        recorder.Opened.clear();
        EXPECT_EQ(UrlOpener::Open(link), allowed) << link.toStdString();
        EXPECT_EQ(recorder.Opened.size(), allowed ? 1 : 0) << link.toStdString();
    }
}

TEST_F(SmallControls, ALinkOpensOnlyAUsableTargetButReportsEveryClick)
{
    UrlRecorder recorder;
    TURLLink link;
    QSignalSpy clicked(&link, &TURLLink::OnClicked);
    for (const auto& [target, opens] : {std::pair{QString("https://example.org"), 1}, std::pair{QString(), 0},
                                        std::pair{"https://example.org/" + QString(300, u'a'), 0}}) {
        link.SetLink(target);
        recorder.Opened.clear();
        QTest::mouseClick(&link, Qt::LeftButton);
        EXPECT_EQ(recorder.Opened.size(), opens) << target.size();
    }
    EXPECT_EQ(clicked.count(), 3) << "a click is always reported";
}

TEST_F(SmallControls, ANumberBoxKeepsDigitsOnlyAndEnterInsertsNothing)
{
    TNumEdit edit;
    QSignalSpy enter(&edit, &TNumEdit::OnEnterPressed);
    QTest::keyClicks(&edit, "8a0 ");
    EXPECT_EQ(edit.text(), "80");
    QTest::keyClick(&edit, Qt::Key_Return);
    EXPECT_EQ(enter.count(), 1);
    EXPECT_EQ(edit.text(), "80");
    edit.clear();
    edit.insert("80a0"); // as a paste would
    EXPECT_EQ(edit.text(), "800");
    EXPECT_EQ(edit.cursorPosition(), 3);
}

TEST_F(SmallControls, TheSoundsListRefusesTheCheckOfASoundWithoutData)
{
    const QString wave = WriteFile("ding.wav", MakeWavImage(8000, 1, 16, RampSamples(10)));
    TSoundItem* withData = RegisterSound(std::make_unique<TSoundItem>("Ding", wave, false, "SndDing"));
    withData->Reload();
    ASSERT_TRUE(withData->HasWaveData());
    TSoundItem* without = RegisterSound(std::make_unique<TSoundItem>("Gone", QString(), false, "SndGone"));
    without->SetTranslatedCaption("Parti");

    TSoundsListView list;
    list.SetMultiSelect(true);
    EXPECT_FALSE(list.property("MultiSelect").toBool());
    list.FillList();
    ASSERT_EQ(list.topLevelItemCount(), GetSoundsList().size());
    QTreeWidgetItem* gone = list.topLevelItem(GetSoundsList().indexOf(without));
    QTreeWidgetItem* ding = list.topLevelItem(GetSoundsList().indexOf(withData));
    EXPECT_EQ(gone->text(0), "Parti");
    for (QTreeWidgetItem* row : {gone, ding})
        row->setCheckState(0, Qt::Checked);
    EXPECT_EQ(gone->checkState(0), Qt::Unchecked);
    EXPECT_FALSE(without->UseIt());
    EXPECT_EQ(ding->checkState(0), Qt::Checked);
    EXPECT_TRUE(withData->UseIt());

    withData->SetUseIt(false);
    list.UpdateSound(withData);
    EXPECT_EQ(list.topLevelItem(GetSoundsList().indexOf(withData))->checkState(0), Qt::Unchecked);
}

TEST_F(SmallControls, ALinkShowsTheTextColourInUseAndAHoverColourThatReadsOnTheGround)
{
    QWidget window;
    TURLLink link(&window);
    for (const auto& [ground, text] : {std::pair{QColor(Qt::white), QColor(Qt::black)},
                                       std::pair{QColor(0x35, 0x35, 0x35), QColor(Qt::white)}}) {
        QPalette colours = window.palette();
        colours.setColor(QPalette::Window, ground);
        colours.setColor(QPalette::WindowText, text);
        colours.setColor(QPalette::Dark, QColor(0x30, 0x30, 0x30));
        window.setPalette(colours);
        EXPECT_EQ(link.palette().color(QPalette::WindowText), text);

        QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
        QCoreApplication::sendEvent(&link, &enter);
        EXPECT_EQ(link.font(), link.FocusFont());
        const QColor hover = link.palette().color(QPalette::WindowText);
        EXPECT_GT(std::abs(qGray(hover.rgb()) - qGray(ground.rgb())), 90) << ground.name().toStdString();
        QEvent leave(QEvent::Leave);
        QCoreApplication::sendEvent(&link, &leave);
        EXPECT_EQ(link.palette().color(QPalette::WindowText), text);
    }
    link.SetFocusColor(Qt::red);
    QEnterEvent enter(QPointF(1, 1), QPointF(1, 1), QPointF(1, 1));
    QCoreApplication::sendEvent(&link, &enter);
    EXPECT_EQ(link.palette().color(QPalette::WindowText), QColor(Qt::red)) << "a colour set stays";
}
