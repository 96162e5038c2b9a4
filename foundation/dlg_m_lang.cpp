#include "foundation/dlg_m_lang.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

namespace {

int selectedRow = DlgEnglishRow;

// Qt's own texts (its file dialogs, its stock buttons) in the language of the selected row.
std::unique_ptr<QTranslator> qtTexts;

// Qt names its translations by language code; a few of the program's codes name them otherwise.
QString QtLanguageName(QLatin1String code)
{
    static const std::pair<const char*, const char*> differing[] = {
        {"sp", "es"}, {"br", "pt_BR"}, {"po", "pl"}, {"tw", "zh_TW"}, {"cn", "zh_CN"},
        {"cz", "cs"}, {"dk", "da"},    {"se", "sv"}, {"no", "nb"},    {"in", "id"},
    };
    for (const auto& [program, qt] : differing)
        if (code == QLatin1String(program))
            return QLatin1String(qt);
    return code;
}

void UseQtTexts()
{
    if (qtTexts) {
        QCoreApplication::removeTranslator(qtTexts.get());
        qtTexts.reset();
    }
    if (selectedRow == DlgEnglishRow)
        return;
    auto texts = std::make_unique<QTranslator>();
    if (texts->load(QStringLiteral("qtbase_") + QtLanguageName(QLatin1String(DlgLanguageCodes[selectedRow])),
                    QLibraryInfo::path(QLibraryInfo::TranslationsPath)) &&
        QCoreApplication::installTranslator(texts.get()))
        qtTexts = std::move(texts);
}

} // namespace

void ApplyDialogLanguage(const QString& code)
{
    selectedRow = DlgEnglishRow;
    for (int row = 0; row < DlgLanguageCount; ++row) {
        if (code.compare(QLatin1String(DlgLanguageCodes[row]), Qt::CaseInsensitive) == 0) {
            selectedRow = row;
            break;
        }
    }
    UseQtTexts();
}

void RestoreDialogStrings()
{
    selectedRow = DlgEnglishRow;
    UseQtTexts();
}

QString DlgCaption(TDlgCaption caption)
{
    return QString::fromUtf8(DlgCaptionRows[selectedRow][caption]);
}
