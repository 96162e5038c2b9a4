#include "components/adv_group_box.h"
#include "components/am_tr_bmp.h"
#include "components/rich_edit_viewer.h"
#include "tests/support/temp_world.h"
#include "tests/support/url_recorder.h"

#include <QTest>
#include <QTextBlock>

#include <tuple>

using PaintedControls = TempWorld;

static QStringList Links(const TRichEditViewer& viewer)
{
    QStringList links;
    for (QTextBlock block = viewer.document()->begin(); block.isValid(); block = block.next())
        for (QTextBlock::iterator it = block.begin(); !it.atEnd(); ++it)
            if (it.fragment().charFormat().isAnchor())
                links << it.fragment().charFormat().anchorHref();
    return links;
}

TEST_F(PaintedControls, TheRichViewerLinksAddressesAndOpensThemThroughTheOpener)
{
    UrlRecorder recorder;
    TRichEditViewer viewer;
    viewer.resize(600, 200);
    viewer.setPlainText(QStringLiteral(
        "See https://example.org/a?b=1, www.example.org and mailto:dev@example.org. Or file:///bin/sh"));
    viewer.DetectLinks();
    EXPECT_EQ(Links(viewer),
              QStringList({"https://example.org/a?b=1", "http://www.example.org", "mailto:dev@example.org"}));

    viewer.show();
    QTextCursor atLink(viewer.document());
    atLink.setPosition(viewer.toPlainText().indexOf(QStringLiteral("example.org/a")));
    const QPoint onLink = viewer.cursorRect(atLink).center() + QPoint(2, 0);
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, {}, onLink);
    EXPECT_EQ(recorder.Opened, QList<QUrl>({QUrl("https://example.org/a?b=1")}));
}

TEST_F(PaintedControls, TheRichViewerKeepsItsTextWhenItsModeChanges)
{
    TRichEditViewer viewer;
    const QString text = QStringLiteral("History\nSee https://example.org");
    viewer.setPlainText(text);
    viewer.DetectLinks();
    viewer.SetUseRichEdit(false);
    EXPECT_EQ(viewer.toPlainText(), text);
    EXPECT_EQ(Links(viewer), QStringList());
    viewer.SetUseRichEdit(true);
    EXPECT_EQ(viewer.toPlainText(), text);
    EXPECT_EQ(Links(viewer), QStringList({"https://example.org"}));
}

TEST_F(PaintedControls, ATransparentBitmapLeavesOutItsKeyColourAndIsCentredOrCutAtTheRightAndBottom)
{
    QWidget parent;
    parent.resize(100, 100);
    parent.setPalette(QPalette(Qt::yellow));
    parent.setAutoFillBackground(true);
    auto* bitmap = new TAMTrBmp(&parent);
    bitmap->SetTransparentColor(Qt::green);
    EXPECT_EQ(bitmap->TransparentColor(), QColor(Qt::black)) << "no picture yet";

    // Red at the left, green at the right, and a blue bottom strip whose colour is the key.
    QImage picture(20, 10, QImage::Format_RGB32);
    picture.fill(Qt::blue);
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 20; ++x)
            picture.setPixelColor(x, y, x < 10 ? Qt::red : Qt::green);
    bitmap->SetPicture(picture);
    EXPECT_EQ(bitmap->geometry(), QRect(0, 0, 20, 10));
    EXPECT_EQ(bitmap->TransparentColor(), QColor(Qt::blue));
    auto shownAt = [&](int x, int y) { return parent.grab().toImage().pixelColor(x, y); };
    EXPECT_EQ(shownAt(2, 2), QColor(Qt::red));
    EXPECT_EQ(shownAt(2, 9), QColor(Qt::yellow)) << "the key colour lets the parent show";

    bitmap->setGeometry(0, 0, 40, 30);
    EXPECT_EQ(shownAt(11, 11), QColor(Qt::red)) << "centred from (10, 10)";
    EXPECT_EQ(shownAt(9, 11), QColor(Qt::yellow));
    bitmap->setGeometry(0, 0, 10, 4);
    EXPECT_EQ(shownAt(9, 0), QColor(Qt::red)) << "a larger picture starts at the top-left";
}

TEST_F(PaintedControls, AGroupBoxSetsItsCaptionIntoTheEtchedTopLine)
{
    TAdvGroupBox box;
    box.resize(200, 80);
    box.setPalette(QPalette(Qt::white));
    box.SetColorLight(Qt::green);
    box.SetColorShadow(Qt::red);
    box.SetCaption("Caption");
    const int line = box.fontMetrics().height() / 2, text = box.fontMetrics().horizontalAdvance("Caption");
    const QImage shown = box.grab().toImage();
    auto firstInk = [&](int from) {
        for (int x = from; x < shown.width(); ++x)
            for (int y = 0; y < line; ++y)
                if (shown.pixelColor(x, y) != Qt::white)
                    return x;
        return -1;
    };
    // Left, with the default offset and margin: a gap from 8, the text from 12, 4 blank pixels after it.
    EXPECT_EQ(shown.pixelColor(7, line), QColor(Qt::red));
    EXPECT_EQ(shown.pixelColor(8, line), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(8, line + 1), QColor(Qt::white)) << "both lines of the frame";
    EXPECT_EQ(shown.pixelColor(4, line + 1), QColor(Qt::green));
    EXPECT_EQ(box.PlaceCaption().Text.left(), 12);
    EXPECT_GE(firstInk(0), 12);
    EXPECT_EQ(shown.pixelColor(12 + text + 3, line), QColor(Qt::white));
    EXPECT_EQ(shown.pixelColor(12 + text + 4, line), QColor(Qt::red));

    box.SetCaptionPos(Qt::AlignHCenter);
    const QImage centred = box.grab().toImage();
    const int left = (200 - text) / 2;
    EXPECT_EQ(centred.pixelColor(left - 5, line), QColor(Qt::red));
    EXPECT_EQ(centred.pixelColor(left - 4, line), QColor(Qt::white));
    EXPECT_EQ(centred.pixelColor(left + text + 3, line), QColor(Qt::white));
    EXPECT_EQ(centred.pixelColor(left + text + 4, line), QColor(Qt::red));
}

TEST_F(PaintedControls, AGroupBoxFrameAndTheRichViewerLinksTakeTheColoursOfThePaletteInUse)
{
    QWidget window;
    TAdvGroupBox box(&window);
    box.resize(200, 80);
    TRichEditViewer viewer(&window);
    viewer.setPlainText(QStringLiteral("See https://example.org"));
    viewer.DetectLinks();
    const int line = box.fontMetrics().height() / 2;
    for (const auto& [light, dark, linkColour] :
         {std::tuple{Qt::green, Qt::red, Qt::blue}, std::tuple{Qt::yellow, Qt::magenta, Qt::cyan}}) {
        QPalette colours = window.palette();
        colours.setColor(QPalette::Light, light);
        colours.setColor(QPalette::Dark, dark);
        colours.setColor(QPalette::Link, linkColour);
        window.setPalette(colours);
        const QImage shown = box.grab().toImage();
        EXPECT_EQ(shown.pixelColor(4, line), QColor(dark));
        EXPECT_EQ(shown.pixelColor(4, line + 1), QColor(light));
        QTextCursor atLink(viewer.document());
        atLink.setPosition(viewer.toPlainText().indexOf(QStringLiteral("example")));
        EXPECT_EQ(atLink.charFormat().foreground().color(), QColor(linkColour));
        EXPECT_TRUE(atLink.charFormat().isAnchor());
    }
    box.SetColorLight(Qt::black);
    EXPECT_EQ(box.ColorLight(), QColor(Qt::black)) << "a colour set stays";
}
