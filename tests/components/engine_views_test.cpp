#include "components/engine_views.h"

#include "tests/support/qt_printers.h"

#include <QPalette>
#include <QTextCursor>

#include <gtest/gtest.h>

#include <memory>

TEST(EngineViews, TheBarsShowTheStepsRangeAndKeepEveryPositionWithinIt)
{
    auto bar = std::make_unique<QProgressBar>();
    TProgressBarView view(bar.get());
    view.SetRange(16, 96);
    view.SetPosition(56);
    EXPECT_EQ(bar->text(), "50%") << "the step is half done";
    view.SetPosition(97);
    EXPECT_EQ(bar->value(), 96) << "a bar ignores a value past its end; the view shows the end";
    view.SetPosition(-5);
    EXPECT_EQ(bar->value(), 16);
    bar.reset();
    view.SetRange(0, 100);
    view.SetPosition(50);
}

TEST(EngineViews, ThePercentLabelTakesTheNormalTextColourBack)
{
    auto label = std::make_unique<QLabel>("before");
    QPalette signal;
    signal.setColor(QPalette::WindowText, Qt::red);
    label->setPalette(signal);
    TLabelCaptionView view(label.get());
    view.SetCaption("42 %");
    EXPECT_EQ(label->text(), "42 %");
    EXPECT_EQ(label->palette().color(QPalette::WindowText), QPalette().color(QPalette::WindowText));
    label.reset();
    view.SetCaption("43 %");
}

TEST(EngineViews, TheEchoMemoCountsAddsAndShowsItsFirstLine)
{
    auto memo = std::make_unique<QPlainTextEdit>();
    TMemoLineSink sink(memo.get());
    memo->setPlainText("one\ntwo");
    memo->moveCursor(QTextCursor::End);
    EXPECT_EQ(sink.LineCount(), 2);
    sink.AddLine("cd \"/x\"");
    sink.AddLine(QString());
    sink.ShowFirstLine();
    EXPECT_EQ(memo->toPlainText(), "one\ntwo\ncd \"/x\"\n");
    EXPECT_EQ(memo->textCursor().position(), 0);
    sink.Clear();
    sink.AddLine("again");
    EXPECT_EQ(memo->toPlainText(), "again");
    EXPECT_EQ(sink.LineCount(), 1);
    memo.reset();
    EXPECT_EQ(sink.LineCount(), 0) << "a memo that is gone holds nothing and takes nothing";
    sink.AddLine("lost");
    sink.Clear();
    sink.ShowFirstLine();
}
