#include "components/rich_edit_viewer.h"
#include "tests/support/temp_world.h"
#include "tests/support/url_recorder.h"

#include <QTest>
#include <QTextBlock>

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
