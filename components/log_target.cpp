#include "components/log_target.h"

#include "components/nero_memo.h"
#include "foundation/log_procedures.h"

#include <QPlainTextEdit>
#include <QPointer>

namespace {

// The log page may be destroyed before the last line is logged; the guarded pointer then reads as none.
class TNeroMemoLogView final : public TLogView {
public:
    QPointer<TNeroMemo> Memo;

    // A line logged while the program winds down must not reach a destroyed holder.
    ~TNeroMemoLogView()
    {
        if (LogView() == this)
            SetLogView(nullptr);
    }

    void AddText(const QString& text) override
    {
        With([&](TNeroMemo& memo) { memo.AddText(text); });
    }
    void AddDebug(const QString& text) override
    {
        With([&](TNeroMemo& memo) { memo.AddDebug(text); });
    }
    void AddWarning(const QString& text) override
    {
        With([&](TNeroMemo& memo) { memo.AddWarning(text); });
    }
    void AddInformation(const QString& text) override
    {
        With([&](TNeroMemo& memo) { memo.AddInformation(text); });
    }
    void AddError(const QString& text) override
    {
        With([&](TNeroMemo& memo) { memo.AddError(text); });
    }
    void AddStrings(const QStringList& lines) override
    {
        With([&](TNeroMemo& memo) { memo.AddStrings(lines); });
    }
    void Clear() override
    {
        With([](TNeroMemo& memo) {
            memo.Clear();
            memo.repaint();
        });
    }
    void Refresh() override
    {
        With([](TNeroMemo& memo) { memo.repaint(); });
    }
    QString SetLogFileName(const QString& fileName) override
    {
        QString opened;
        With([&](TNeroMemo& memo) { opened = memo.SetLogFileName(fileName); });
        return opened;
    }
    void CloseLogFile() override
    {
        With([](TNeroMemo& memo) { memo.CloseLogFile(); });
    }
    void ClearLogFile() override
    {
        With([](TNeroMemo& memo) { memo.ClearLogFile(); });
    }

private:
    template <typename Action> void With(Action action)
    {
        if (TNeroMemo* memo = Memo.data())
            action(*memo);
    }
};

TNeroMemoLogView& view()
{
    static TNeroMemoLogView logView;
    return logView;
}

QPointer<QPlainTextEdit>& commandLines()
{
    static QPointer<QPlainTextEdit> memo;
    return memo;
}

} // namespace

void SetLogTarget(TNeroMemo* memo)
{
    view().Memo = memo;
    SetLogView(memo ? &view() : nullptr);
}

TNeroMemo* LogTarget()
{
    return view().Memo.data();
}

void SetCommandLineMemo(QPlainTextEdit* memo)
{
    commandLines() = memo;
}

QPlainTextEdit* CommandLineMemo()
{
    return commandLines().data();
}

void ClearCommandLines()
{
    if (QPlainTextEdit* memo = commandLines().data())
        memo->clear();
}
