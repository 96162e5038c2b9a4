#include "components/adv_group_box.h"
#include "components/am_tr_bmp.h"
#include "components/rich_edit_viewer.h"
#include "tests/support/temp_world.h"
#include "tests/support/url_recorder.h"

#include <QTest>
#include <QTextBlock>

namespace {

using PaintedControls = TempWorld;

const QColor key(255, 0, 255);
const QColor ink(200, 0, 0);
const QColor behind(0, 0, 255);

// A 4 by 4 picture whose left column (bottom-left pixel included) is the key colour.
QImage keyedPicture()
{
    QImage picture(4, 4, QImage::Format_RGB32);
    picture.fill(ink);
    for (int y = 0; y < 4; ++y)
        picture.setPixelColor(0, y, key);
    return picture;
}

QImage rendered(QWidget& widget)
{
    QImage image(widget.size(), QImage::Format_RGB32);
    image.fill(behind);
    widget.render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
    return image;
}

} // namespace

TEST_F(PaintedControls, ATransparentBitmapLetsItsKeyColourThroughCentredOrCutAtTheRightAndBottom)
{
    struct Case {
        int size;
        QPoint keyPixel, inkPixel, behindPixel;
    };
    const Case cases[] = {
        {8, {2, 2}, {3, 5}, {7, 7}},
        {2, {0, 0}, {1, 1}, {0, 1}},
    };
    for (const Case& c : cases) {
        TAMTrBmp bitmap;
        bitmap.SetPicture(keyedPicture());
        EXPECT_EQ(bitmap.geometry(), QRect(0, 0, 4, 4));
        EXPECT_EQ(bitmap.TransparentColor(), key) << "the bottom-left pixel gives the key";
        bitmap.resize(c.size, c.size);
        const QImage image = rendered(bitmap);
        EXPECT_EQ(image.pixelColor(c.keyPixel), behind) << c.size;
        EXPECT_EQ(image.pixelColor(c.inkPixel), ink) << c.size;
        EXPECT_EQ(image.pixelColor(c.behindPixel), behind) << c.size;
    }
    TAMTrBmp empty;
    empty.SetTransparentColor(ink);
    EXPECT_EQ(empty.TransparentColor(), Qt::black) << "no key without a picture";
}

TEST_F(PaintedControls, AGroupBoxCaptionSitsInAGapOfItsTopLine)
{
    struct Case {
        Qt::Alignment position;
        Qt::LayoutDirection direction;
        int margin, offset;
        int gapLeftFromText, gapRightFromText, gapLeft, gapRight;
    };
    const int width = 200;
    const Case cases[] = {
        {Qt::AlignLeft, Qt::LeftToRight, -1, -1, 4, 4, 8, -1},
        {Qt::AlignLeft, Qt::LeftToRight, 2, 20, 2, 2, 20, -1},
        {Qt::AlignHCenter, Qt::LeftToRight, -1, -1, 4, 4, -1, -1},
        {Qt::AlignRight, Qt::LeftToRight, -1, -1, 4, 4, -1, width - 2 - 8},
        {Qt::AlignLeft, Qt::RightToLeft, -1, -1, 4, 4, -1, width - 2 - 8},
    };
    for (const Case& c : cases) {
        TAdvGroupBox box;
        box.resize(width, 80);
        box.SetCaption(QStringLiteral("Output"));
        box.SetCaptionPos(c.position);
        box.setLayoutDirection(c.direction);
        box.SetMargin(c.margin);
        box.SetOffset(c.offset);
        const TAdvGroupBox::CaptionPlace place = box.PlaceCaption();
        EXPECT_EQ(place.Text.left() - place.GapLeft, c.gapLeftFromText);
        EXPECT_EQ(place.GapRight - place.Text.left() - place.Text.width(), c.gapRightFromText);
        if (c.gapLeft >= 0) {
            EXPECT_EQ(place.GapLeft, c.gapLeft);
        }
        if (c.gapRight >= 0) {
            EXPECT_EQ(place.GapRight, c.gapRight);
        }
        if (c.position == Qt::AlignHCenter) {
            EXPECT_EQ(place.Text.left(), (width - place.Text.width()) / 2);
        }
    }
}

TEST_F(PaintedControls, AGroupBoxDrawsItsFrameInItsTwoColoursAndLeavesTheGapOpen)
{
    TAdvGroupBox box;
    box.resize(200, 80);
    box.SetCaption(QStringLiteral("Output"));
    box.SetColorShadow(Qt::darkGreen);
    box.SetColorLight(Qt::yellow);
    const QImage image = rendered(box);
    const int line = box.fontMetrics().height() / 2;
    const TAdvGroupBox::CaptionPlace place = box.PlaceCaption();
    EXPECT_EQ(image.pixelColor(3, line), QColor(Qt::darkGreen));
    EXPECT_EQ(image.pixelColor(3, line + 1), QColor(Qt::yellow));
    EXPECT_EQ(image.pixelColor(place.GapLeft + 1, line), box.palette().color(box.backgroundRole()));
    EXPECT_EQ(image.pixelColor(place.GapRight + 2, line), QColor(Qt::darkGreen));
}

TEST_F(PaintedControls, TheRichViewerLinksAddressesAndOpensOnlyThoseTheOpenerAllows)
{
    UrlRecorder recorder;
    TRichEditViewer viewer;
    viewer.resize(600, 200);
    viewer.setPlainText(QStringLiteral(
        "See https://example.org/a?b=1, www.example.org and mailto:dev@example.org. Or file:///bin/sh"));
    viewer.DetectLinks();
    QStringList links;
    for (QTextBlock::iterator it = viewer.document()->begin().begin(); !it.atEnd(); ++it)
        if (it.fragment().charFormat().isAnchor())
            links << it.fragment().charFormat().anchorHref();
    EXPECT_EQ(links,
              QStringList({"https://example.org/a?b=1", "http://www.example.org", "mailto:dev@example.org"}));

    viewer.show();
    QTextCursor atLink(viewer.document());
    atLink.setPosition(viewer.toPlainText().indexOf(QStringLiteral("example.org/a")));
    const QPoint onLink = viewer.cursorRect(atLink).center() + QPoint(2, 0);
    QTest::mouseClick(viewer.viewport(), Qt::LeftButton, {}, onLink);
    EXPECT_EQ(recorder.Opened, QList<QUrl>({QUrl("https://example.org/a?b=1")}));

    recorder.Opened.clear();
    Q_EMIT viewer.anchorClicked(QUrl(QStringLiteral("file:///bin/sh")));
    EXPECT_TRUE(recorder.Opened.isEmpty()) << "a local program is never started";
}
