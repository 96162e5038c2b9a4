#include "app/audio_wav_settings_dialog.h"

#include "components/list_strings.h"
#include "foundation/language.h"
#include "foundation/settings.h"
#include "platform/dialogs.h"

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>

namespace {

const QStringList frequencyLines{QStringLiteral("8000"),  QStringLiteral("11025"), QStringLiteral("12000"),
                                 QStringLiteral("16000"), QStringLiteral("22050"), QStringLiteral("24000"),
                                 QStringLiteral("32000"), QStringLiteral("44100"), QStringLiteral("48000"),
                                 QStringLiteral("96000")};

const QString frequencyKey = QStringLiteral("WavEncodingSamplingFrequency");
const QString modeKey = QStringLiteral("WavEncodingMode");
const QString channelsKey = QStringLiteral("WavEncodingChannelsMode");
const QString bitsKey = QStringLiteral("WavEncodingBitsPerSample");

constexpr std::int32_t defaultFrequencyValue = TAudioWavEncodingPref{}.SamplingFrequency;
const QString defaultFrequency = QString::number(defaultFrequencyValue);
constexpr std::int32_t lowestFrequency = 100;
constexpr std::int32_t highestFrequency = 200000;

} // namespace

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

    WavEncodingModeComboBox = AddComboBox(
        QStringLiteral("WavEncodingModeComboBox"),
        {WavEncodingModeText(wemRawPcm), WavEncodingModeText(wemDviImaAdpcm)}, QStringLiteral("Raw PCM"));
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
        AddComboBox(QStringLiteral("WavChannelsModeComboBox"),
                    {WavChannelsModeText(wcmMono), WavChannelsModeText(wcmStereo)}, QStringLiteral("Stereo"));
    AddRow(QStringLiteral("WavChannelsModePanel"), QStringLiteral("WavChannelsModeLabel"),
           QStringLiteral("Channels Mode:"), WavChannelsModeComboBox);

    WavBitsPerSampleComboBox =
        AddComboBox(QStringLiteral("WavBitsPerSampleComboBox"),
                    {WavBitsPerSampleText(wbs8), WavBitsPerSampleText(wbs16)}, QStringLiteral("16"));
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
    BecomeTheDialog(this, SetAudioWavEncodingPrefSource);
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
    TranslateLines(WavEncodingModeComboBox);
    TranslateLines(WavChannelsModeComboBox);
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
    bool ok = false;
    const std::int32_t frequency = WavSamplingFrequencyComboBox->currentText().trimmed().toInt(&ok);
    return ok ? frequency : defaultFrequencyValue;
}

TWavEncodingMode TAudioWavSettingsDialog::GetEncodingMode() const
{
    return TextToWavEncodingMode(SelectedLine(WavEncodingModeComboBox));
}

TWavChannelsMode TAudioWavSettingsDialog::GetChannelsMode() const
{
    return TextToWavChannelsMode(SelectedLine(WavChannelsModeComboBox));
}

TWavBitsPerSample TAudioWavSettingsDialog::GetBitsPerSample() const
{
    return TextToWavBitsPerSample(SelectedLine(WavBitsPerSampleComboBox));
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
    return TheDialog<TAudioWavSettingsDialog>();
}

void ExecuteAudioWavSettingsDialog()
{
    if (TAudioWavSettingsDialog* dialog = AudioWavSettingsDialog())
        dialog->Execute();
}
