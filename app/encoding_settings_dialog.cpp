#include "app/encoding_settings_dialog.h"

#include "audio/audio_wav_settings.h"
#include "components/easysize.h"
#include "components/form_registry.h"
#include "components/list_strings.h"
#include "foundation/global_events.h"
#include "foundation/language.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

QString SelectedLine(const QComboBox* box)
{
    const int index = box->currentIndex();
    if (index < 0 || box->itemText(index) != box->currentText())
        return QString();
    return box->itemData(index).toString();
}

bool SelectMatchingLine(QComboBox* box, const QString& text)
{
    QStringList lines;
    for (int i = 0; i < box->count(); ++i)
        lines << box->itemData(i).toString();
    const int index = IndexOfValueText(lines, text);
    if (index < 0)
        return false;
    box->setCurrentIndex(index);
    return true;
}

void SelectLine(QComboBox* box, const QString& text)
{
    box->setCurrentIndex(0);
    SelectMatchingLine(box, text);
}

TEncodingSettingsDialog::TEncodingSettingsDialog(QWidget* mainForm, const QString& name)
    : QDialog(mainForm, Qt::Tool | Qt::WindowStaysOnTopHint), layout_(new QVBoxLayout(this))
{
    // Nothing is told while the controls are built.
    Loading = true;
    setObjectName(name);
    setWindowTitle(QApplication::applicationName());
    FormResizer1 = NewFormResizer1(this);
    ListStringsToTranslate = NewListStringsToTranslate(this);
    FormRegistry::Instance().Register(this);
}

void TEncodingSettingsDialog::FinishCreation()
{
    Loading = false;
    adjustSize();
    FormResizer1->AdaptToScreen(true);
}

void TEncodingSettingsDialog::Execute()
{
    BeginExecute();
    EndExecute(exec());
}

void TEncodingSettingsDialog::BeginExecute()
{
    SaveSettings();
    Translate();
}

void TEncodingSettingsDialog::EndExecute(int result)
{
    ValidateAfterClose();
    if (result == QDialog::Accepted)
        SaveSettings();
    else
        LoadSettings();
}

void TEncodingSettingsDialog::NotifyChanged()
{
    if (!Loading)
        FireEncodingSettingsChanged(this);
}

QLabel* TEncodingSettingsDialog::AddHeading(const QString& name, const QString& text)
{
    auto* heading = new QLabel(text, this);
    heading->setObjectName(name);
    QFont font = heading->font();
    font.setBold(true);
    heading->setFont(font);
    heading->setAlignment(Qt::AlignCenter);
    heading->setMargin(8);
    heading->setAutoFillBackground(true);
    QPalette band = heading->palette();
    band.setColor(QPalette::Window, Qt::white);
    band.setColor(QPalette::WindowText, Qt::black);
    heading->setPalette(band);
    layout_->addWidget(heading);
    return heading;
}

QWidget* TEncodingSettingsDialog::AddRow(const QString& panelName, const QString& labelName,
                                         const QString& caption, QComboBox* box, const QString& unit)
{
    auto* panel = new QWidget(this);
    panel->setObjectName(panelName);
    auto* row = new QHBoxLayout(panel);
    row->setContentsMargins(0, 0, 0, 0);
    auto* label = new QLabel(caption, panel);
    label->setObjectName(labelName);
    label->setBuddy(box);
    box->setParent(panel);
    box->setMinimumWidth(120);
    auto* unitLabel = new QLabel(unit, panel);
    unitLabel->setObjectName(panelName + QStringLiteral("Unit"));
    unitLabel->setMinimumWidth(60);
    row->addWidget(label, 1);
    row->addWidget(box);
    row->addWidget(unitLabel);
    layout_->addWidget(panel);
    return panel;
}

QComboBox* TEncodingSettingsDialog::AddComboBox(const QString& name, const QStringList& lines,
                                                const QString& preset)
{
    auto* box = new QComboBox(this);
    box->setObjectName(name);
    for (const QString& line : lines)
        box->addItem(line, line);
    SelectLine(box, preset);
    return box;
}

void TEncodingSettingsDialog::TranslateLines(QComboBox* box)
{
    for (int i = 0; i < box->count(); ++i)
        box->setItemText(i, TranslateMsg(box->itemData(i).toString()));
}

void TEncodingSettingsDialog::AddControl(QWidget* control)
{
    control->setParent(this);
    layout_->addWidget(control);
}

QPushButton* TEncodingSettingsDialog::AddButtons(const QString& prefix)
{
    const auto button = [this, prefix](const char* name, const QString& caption) {
        auto* created = new QPushButton(caption, this);
        created->setObjectName(prefix + QLatin1String(name));
        created->setAutoDefault(false);
        return created;
    };
    QPushButton* defaults = button("DefaultsButton", QStringLiteral("&Default values "));
    QPushButton* ok = button("OkButton", QStringLiteral("&Ok"));
    QPushButton* cancel = button("CancelButton", QStringLiteral("&Cancel"));
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* row = new QHBoxLayout;
    row->addWidget(defaults);
    row->addStretch(1);
    row->addWidget(ok);
    row->addWidget(cancel);
    layout_->addSpacing(8);
    layout_->addLayout(row);
    return defaults;
}
