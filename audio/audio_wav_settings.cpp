#include "audio/audio_wav_settings.h"

#include "components/easysize.h"
#include "components/form_registry.h"
#include "components/list_strings.h"
#include "foundation/global_events.h"
#include "foundation/language.h"
#include "foundation/settings.h"
#include "platform/dialogs.h"

#include <QApplication>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QVBoxLayout>

namespace {

const QStringList encodingModeTexts{QStringLiteral("Raw PCM"), QStringLiteral("DVI IMA ADPCM")};
const QStringList channelsModeTexts{QStringLiteral("Mono"), QStringLiteral("Stereo")};
const QStringList bitsPerSampleTexts{QStringLiteral("8"), QStringLiteral("16")};
const QStringList frequencyLines{QStringLiteral("8000"),  QStringLiteral("11025"), QStringLiteral("12000"),
                                 QStringLiteral("16000"), QStringLiteral("22050"), QStringLiteral("24000"),
                                 QStringLiteral("32000"), QStringLiteral("44100"), QStringLiteral("48000"),
                                 QStringLiteral("96000")};

const QString frequencyKey = QStringLiteral("WavEncodingSamplingFrequency");
const QString modeKey = QStringLiteral("WavEncodingMode");
const QString channelsKey = QStringLiteral("WavEncodingChannelsMode");
const QString bitsKey = QStringLiteral("WavEncodingBitsPerSample");

const QString defaultFrequency = QStringLiteral("44100");
constexpr std::int32_t defaultFrequencyValue = 44100;
constexpr std::int32_t lowestFrequency = 100;
constexpr std::int32_t highestFrequency = 200000;

template <typename Value> Value parsed(const QStringList& texts, const QString& text, Value fallback)
{
    const int index = IndexOfValueText(texts, text);
    return index < 0 ? fallback : static_cast<Value>(index);
}

QString normalised(const QString& text)
{
    return text.trimmed().toLower();
}

QPointer<TAudioWavSettingsDialog>& instance()
{
    static QPointer<TAudioWavSettingsDialog> dialog;
    return dialog;
}

} // namespace

int IndexOfValueText(const QStringList& texts, const QString& text)
{
    const QString wanted = normalised(text);
    for (int i = 0; i < texts.size(); ++i)
        if (normalised(texts[i]) == wanted)
            return i;
    return -1;
}

QString WavEncodingModeText(TWavEncodingMode mode)
{
    return encodingModeTexts.value(mode);
}

TWavEncodingMode TextToWavEncodingMode(const QString& text)
{
    return parsed(encodingModeTexts, text, wemRawPcm);
}

QString WavChannelsModeText(TWavChannelsMode mode)
{
    return channelsModeTexts.value(mode);
}

TWavChannelsMode TextToWavChannelsMode(const QString& text)
{
    return parsed(channelsModeTexts, text, wcmStereo);
}

QString WavBitsPerSampleText(TWavBitsPerSample bits)
{
    return bitsPerSampleTexts.value(bits);
}

TWavBitsPerSample TextToWavBitsPerSample(const QString& text)
{
    return parsed(bitsPerSampleTexts, text, wbs16);
}

TAudioWavEncodingPref::TAudioWavEncodingPref()
    : SamplingFrequency(defaultFrequencyValue),
      EncodingMode(TextToWavEncodingMode(QStringLiteral("Raw PCM"))),
      ChannelsMode(TextToWavChannelsMode(QStringLiteral("Stereo"))),
      BitsPerSample(TextToWavBitsPerSample(QStringLiteral("16")))
{
}

QString TAudioWavEncodingPref::GetDescription() const
{
    return QStringLiteral("WAV (") + WavEncodingModeText(EncodingMode) + QStringLiteral(") ") +
           WavBitsPerSampleText(BitsPerSample) + QStringLiteral("bits ") +
           QString::number(SamplingFrequency) + QStringLiteral(" Hz ") + WavChannelsModeText(ChannelsMode);
}

QString SelectedLine(const QComboBox* box)
{
    const int index = box->currentIndex();
    if (index < 0 || box->itemText(index) != box->currentText())
        return QString();
    return box->itemText(index);
}

bool SelectMatchingLine(QComboBox* box, const QString& text)
{
    QStringList lines;
    for (int i = 0; i < box->count(); ++i)
        lines << box->itemText(i);
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
    box->addItems(lines);
    SelectLine(box, preset);
    return box;
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

TAudioWavSettingsDialog::TAudioWavSettingsDialog(QWidget* mainForm)
    : TEncodingSettingsDialog(mainForm, QStringLiteral("AudioWavSettingsDialog"))
{
    ListStringsToTranslate->SetProperties(
        {QStringLiteral("WavAudioSettingsDialogLabel"), QStringLiteral("WavSamplingFrequencyLabel"),
         QStringLiteral("WavChannelsModeLabel"), QStringLiteral("WavAudioSettingsDialogDefaultsButton"),
         QStringLiteral("WavAudioSettingsDialogOkButton"),
         QStringLiteral("WavAudioSettingsDialogCancelButton"), QStringLiteral("WavBitsPerSampleLabel"),
         QStringLiteral("WavEncodingModeLabel")});
    AddHeading(QStringLiteral("WavAudioSettingsDialogLabel"), QStringLiteral("WAV Audio encoding settings"));

    WavEncodingModeComboBox =
        AddComboBox(QStringLiteral("WavEncodingModeComboBox"), encodingModeTexts, QStringLiteral("Raw PCM"));
    AddRow(QStringLiteral("WavEncodingModePanel"), QStringLiteral("WavEncodingModeLabel"),
           QStringLiteral("WAV Encoding Mode:"), WavEncodingModeComboBox);

    WavSamplingFrequencyComboBox =
        AddComboBox(QStringLiteral("WavSamplingFrequencyComboBox"), frequencyLines, defaultFrequency);
    WavSamplingFrequencyComboBox->setEditable(true);
    WavSamplingFrequencyComboBox->setInsertPolicy(QComboBox::NoInsert);
    WavSamplingFrequencyComboBox->setMaxVisibleItems(10);
    SelectLine(WavSamplingFrequencyComboBox, defaultFrequency);
    WavSamplingFrequencyPanel =
        AddRow(QStringLiteral("WavSamplingFrequencyPanel"), QStringLiteral("WavSamplingFrequencyLabel"),
               QStringLiteral("Sampling Frequency:"), WavSamplingFrequencyComboBox, QStringLiteral("Hz"));

    WavChannelsModeComboBox =
        AddComboBox(QStringLiteral("WavChannelsModeComboBox"), channelsModeTexts, QStringLiteral("Stereo"));
    AddRow(QStringLiteral("WavChannelsModePanel"), QStringLiteral("WavChannelsModeLabel"),
           QStringLiteral("Channels Mode:"), WavChannelsModeComboBox);

    WavBitsPerSampleComboBox =
        AddComboBox(QStringLiteral("WavBitsPerSampleComboBox"), bitsPerSampleTexts, QStringLiteral("16"));
    AddRow(QStringLiteral("WavBitsPerSamplePanel"), QStringLiteral("WavBitsPerSampleLabel"),
           QStringLiteral("Bits Per Sample:"), WavBitsPerSampleComboBox);

    WavAudioSettingsDialogDefaultsButton = AddButtons(QStringLiteral("WavAudioSettingsDialog"));

    for (QComboBox* box : {WavEncodingModeComboBox, WavChannelsModeComboBox, WavBitsPerSampleComboBox})
        connect(box, &QComboBox::currentIndexChanged, this, &TAudioWavSettingsDialog::NotifyChanged);
    // The frequency is checked when the user leaves the box, not at each key.
    connect(WavSamplingFrequencyComboBox->lineEdit(), &QLineEdit::editingFinished, this,
            &TAudioWavSettingsDialog::ValidateSamplingFrequency);
    connect(WavAudioSettingsDialogDefaultsButton, &QPushButton::clicked, this,
            &TAudioWavSettingsDialog::DefaultsButtonClick);
    instance() = this;
    FinishCreation();
}

void TAudioWavSettingsDialog::RegisterDefaults()
{
    if (!Settings())
        return;
    Settings()->SetDefaultValue(frequencyKey, defaultFrequency);
    Settings()->SetDefaultValue(modeKey, QStringLiteral("Raw PCM"));
    Settings()->SetDefaultValue(channelsKey, QStringLiteral("Stereo"));
    Settings()->SetDefaultValue(bitsKey, QStringLiteral("16"));
}

void TAudioWavSettingsDialog::LoadSettings()
{
    if (!Settings())
        return;
    Loading = true;
    const QString frequency = Settings()->GetValue(frequencyKey).toString();
    WavSamplingFrequencyComboBox->setCurrentIndex(-1);
    if (!SelectMatchingLine(WavSamplingFrequencyComboBox, frequency)) {
        WavSamplingFrequencyComboBox->setEditText(frequency);
        ValidateSamplingFrequency();
    }
    SelectMatchingLine(WavBitsPerSampleComboBox, Settings()->GetValue(bitsKey).toString());
    SelectMatchingLine(WavChannelsModeComboBox, Settings()->GetValue(channelsKey).toString());
    SelectMatchingLine(WavEncodingModeComboBox, Settings()->GetValue(modeKey).toString());
    Loading = false;
    NotifyChanged();
}

void TAudioWavSettingsDialog::SaveSettings()
{
    if (!Settings())
        return;
    Settings()->SetValue(frequencyKey, QString::number(GetSamplingFrequency()));
    Settings()->SetValue(modeKey, WavEncodingModeText(GetEncodingMode()));
    Settings()->SetValue(channelsKey, WavChannelsModeText(GetChannelsMode()));
    Settings()->SetValue(bitsKey, WavBitsPerSampleText(GetBitsPerSample()));
}

void TAudioWavSettingsDialog::Translate()
{
    TranslateForm(this, ListStringsToTranslate->Properties());
    WavSamplingFrequencyPanel->setToolTip(plat::ForDisplay(TranslateMsg(QString())));
}

void TAudioWavSettingsDialog::SetControlsEnabled(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{
             WavEncodingModeComboBox, WavSamplingFrequencyComboBox, WavChannelsModeComboBox,
             WavBitsPerSampleComboBox, WavAudioSettingsDialogDefaultsButton})
        control->setEnabled(enabled);
}

std::unique_ptr<TAudioWavEncodingPref> TAudioWavSettingsDialog::GetPreference()
{
    auto preference = std::make_unique<TAudioWavEncodingPref>();
    preference->SamplingFrequency = GetSamplingFrequency();
    preference->EncodingMode = GetEncodingMode();
    preference->ChannelsMode = GetChannelsMode();
    preference->BitsPerSample = GetBitsPerSample();
    return preference;
}

std::int32_t TAudioWavSettingsDialog::GetSamplingFrequency()
{
    ValidateSamplingFrequency();
    QString text = SelectedLine(WavSamplingFrequencyComboBox);
    if (text.isEmpty())
        text = WavSamplingFrequencyComboBox->currentText();
    bool ok = false;
    const std::int32_t frequency = text.trimmed().toInt(&ok);
    return ok ? frequency : defaultFrequencyValue;
}

TWavEncodingMode TAudioWavSettingsDialog::GetEncodingMode() const
{
    const QString line = SelectedLine(WavEncodingModeComboBox);
    return TextToWavEncodingMode(line.isEmpty() ? QStringLiteral("Raw PCM") : line);
}

TWavChannelsMode TAudioWavSettingsDialog::GetChannelsMode() const
{
    const QString line = SelectedLine(WavChannelsModeComboBox);
    return TextToWavChannelsMode(line.isEmpty() ? QStringLiteral("Stereo") : line);
}

TWavBitsPerSample TAudioWavSettingsDialog::GetBitsPerSample() const
{
    const QString line = SelectedLine(WavBitsPerSampleComboBox);
    return TextToWavBitsPerSample(line.isEmpty() ? QStringLiteral("16") : line);
}

void TAudioWavSettingsDialog::ValidateSamplingFrequency()
{
    if (!SelectedLine(WavSamplingFrequencyComboBox).isEmpty())
        return;
    bool ok = false;
    const std::int32_t typed = WavSamplingFrequencyComboBox->currentText().trimmed().toInt(&ok);
    if (ok && typed >= lowestFrequency && typed <= highestFrequency)
        return;
    SelectLine(WavSamplingFrequencyComboBox, defaultFrequency);
}

void TAudioWavSettingsDialog::DefaultsButtonClick()
{
    Loading = true;
    SelectLine(WavSamplingFrequencyComboBox, defaultFrequency);
    SelectLine(WavChannelsModeComboBox, QStringLiteral("Stereo"));
    SelectLine(WavBitsPerSampleComboBox, QStringLiteral("16"));
    SelectLine(WavEncodingModeComboBox, QStringLiteral("Raw PCM"));
    Loading = false;
    NotifyChanged();
}

TAudioWavSettingsDialog* AudioWavSettingsDialog()
{
    return instance();
}

std::unique_ptr<TAudioWavEncodingPref> GetAudioWavEncodingPref()
{
    if (TAudioWavSettingsDialog* dialog = AudioWavSettingsDialog())
        return dialog->GetPreference();
    return std::make_unique<TAudioWavEncodingPref>();
}

void ExecuteAudioWavSettingsDialog()
{
    if (TAudioWavSettingsDialog* dialog = AudioWavSettingsDialog())
        dialog->Execute();
}
