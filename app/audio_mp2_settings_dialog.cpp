#include "app/audio_mp2_settings_dialog.h"

#include "components/list_strings.h"
#include "foundation/language.h"
#include "foundation/settings.h"
#include "platform/dialogs.h"

#include <QCheckBox>
#include <QComboBox>
#include <QPushButton>

namespace {

const QStringList bitRateLines{QStringLiteral("64"),  QStringLiteral("96"),  QStringLiteral("128"),
                               QStringLiteral("192"), QStringLiteral("224"), QStringLiteral("384")};

const QString bitRateKey = QStringLiteral("Mp2EncodingBitRate");
const QString channelsKey = QStringLiteral("Mp2EncodingChannelsMode");
const QString errorProtectionKey = QStringLiteral("ErrorProtection");
const QString originalKey = QStringLiteral("OriginalFlag");
const QString copyrightKey = QStringLiteral("CopyrightFlag");

constexpr std::int32_t defaultBitRateValue = TAudioMp2EncodingPref{}.BitRate;
const QString defaultBitRate = QString::number(defaultBitRateValue);
constexpr std::int32_t highestMonoBitRate = 192;

} // namespace

TAudioMp2SettingsDialog::TAudioMp2SettingsDialog(QWidget* mainForm)
    : TEncodingSettingsDialog(mainForm, QStringLiteral("AudioMp2SettingsDialog"))
{
    ListStringsToTranslate->SetProperties(
        {QStringLiteral("SamplingFrequencyLabel"), QStringLiteral("BitRateLabel"),
         QStringLiteral("ChannelsModeLabel"), QStringLiteral("ErrorProtectionCheckBox"),
         QStringLiteral("OriginalFlagCheckBox"), QStringLiteral("CopyrightFlagCheckBox"),
         QStringLiteral("AudioSettingsDialogDefaultsButton"), QStringLiteral("AudioSettingsDialogOkButton"),
         QStringLiteral("AudioSettingsDialogCancelButton"), QStringLiteral("AudioSettingsDialogLabel"),
         QStringLiteral("BitRatePanelUnit")});
    AddHeading(QStringLiteral("AudioSettingsDialogLabel"), QStringLiteral("MPEG Audio encoding settings"));

    // Shown for information: the encoder always writes 44100 Hz.
    SamplingFrequencyComboBox = AddComboBox(QStringLiteral("SamplingFrequencyComboBox"),
                                            {QStringLiteral("44100")}, QStringLiteral("44100"));
    SamplingFrequencyPanel =
        AddRow(QStringLiteral("SamplingFrequencyPanel"), QStringLiteral("SamplingFrequencyLabel"),
               QStringLiteral("Sampling Frequency:"), SamplingFrequencyComboBox, QStringLiteral("Hz"));
    BitRateComboBox = AddComboBox(QStringLiteral("BitRateComboBox"), bitRateLines, defaultBitRate);
    BitRatePanel = AddRow(QStringLiteral("BitRatePanel"), QStringLiteral("BitRateLabel"),
                          QStringLiteral("BitRate:"), BitRateComboBox, QStringLiteral("kbits/sec"));
    ChannelsModeComboBox =
        AddComboBox(QStringLiteral("ChannelsModeComboBox"),
                    {Mp2ChannelModeText(mcmMono), Mp2ChannelModeText(mcmStereo),
                     Mp2ChannelModeText(mcmJointStereo), Mp2ChannelModeText(mcmDualChannel)},
                    QStringLiteral("Stereo"));
    AddRow(QStringLiteral("ChannelsModePanel"), QStringLiteral("ChannelsModeLabel"),
           QStringLiteral("Channels Mode:"), ChannelsModeComboBox);

    ErrorProtectionCheckBox =
        AddCheckBox(QStringLiteral("ErrorProtectionCheckBox"), QStringLiteral("Error Protection"), true);
    OriginalFlagCheckBox =
        AddCheckBox(QStringLiteral("OriginalFlagCheckBox"), QStringLiteral("Original Flag"), false);
    CopyrightFlagCheckBox =
        AddCheckBox(QStringLiteral("CopyrightFlagCheckBox"), QStringLiteral("Copyright Flag"), false);

    AudioSettingsDialogDefaultsButton = AddButtons(QStringLiteral("AudioSettingsDialog"));

    for (QComboBox* box : {BitRateComboBox, ChannelsModeComboBox})
        connect(box, &QComboBox::currentIndexChanged, this, &TAudioMp2SettingsDialog::SettingsChanged);
    connect(AudioSettingsDialogDefaultsButton, &QPushButton::clicked, this,
            &TAudioMp2SettingsDialog::DefaultsButtonClick);
    BecomeTheDialog(this, SetAudioMp2EncodingPrefSource);
    FinishCreation();
}

QCheckBox* TAudioMp2SettingsDialog::AddCheckBox(const QString& name, const QString& caption, bool checked)
{
    auto* box = new QCheckBox(caption, this);
    box->setObjectName(name);
    box->setChecked(checked);
    connect(box, &QCheckBox::toggled, this, &TAudioMp2SettingsDialog::SettingsChanged);
    AddControl(box);
    return box;
}

void TAudioMp2SettingsDialog::RegisterDefaults()
{
    if (!Settings())
        return;
    Settings()->SetDefaultValue(bitRateKey, defaultBitRate);
    Settings()->SetDefaultValue(channelsKey, QStringLiteral("Stereo"));
    Settings()->SetDefaultValue(errorProtectionKey, true);
    Settings()->SetDefaultValue(originalKey, false);
    Settings()->SetDefaultValue(copyrightKey, false);
}

void TAudioMp2SettingsDialog::LoadSettings()
{
    if (!Settings())
        return;
    Loading = true;
    SelectMatchingLine(BitRateComboBox, Settings()->GetValue(bitRateKey).toString());
    SelectMatchingLine(ChannelsModeComboBox, Settings()->GetValue(channelsKey).toString());
    ErrorProtectionCheckBox->setChecked(Settings()->GetValue(errorProtectionKey).toBool());
    OriginalFlagCheckBox->setChecked(Settings()->GetValue(originalKey).toBool());
    CopyrightFlagCheckBox->setChecked(Settings()->GetValue(copyrightKey).toBool());
    Loading = false;
    SettingsChanged();
}

void TAudioMp2SettingsDialog::SaveSettings()
{
    if (!Settings())
        return;
    Settings()->SetValue(bitRateKey, QString::number(GetBitRate()));
    Settings()->SetValue(channelsKey, Mp2ChannelModeText(GetChannelMode()));
    Settings()->SetValue(errorProtectionKey, ErrorProtectionCheckBox->isChecked());
    Settings()->SetValue(originalKey, OriginalFlagCheckBox->isChecked());
    Settings()->SetValue(copyrightKey, CopyrightFlagCheckBox->isChecked());
}

void TAudioMp2SettingsDialog::Translate()
{
    TranslateForm(this, ListStringsToTranslate->Properties());
    TranslateLines(ChannelsModeComboBox);
    const auto hint = [](QWidget* control, const QString& text) {
        control->setToolTip(plat::ForDisplay(text));
    };
    hint(SamplingFrequencyPanel, TranslateMsg(QString()));
    hint(BitRatePanel, TranslateMsg(QStringLiteral(
                           "As a rough guide for layer II stereo audio, 64kbps will give AM radio quality "
                           "audio,^192kbps will give FM radio quality, 384kpbs will give CD quality "
                           "audio.")));
    hint(ErrorProtectionCheckBox,
         TranslateMsg(QStringLiteral(
             "Includes CRC checks into the audio data, allowing the decoder to perform error checking.")));
    hint(OriginalFlagCheckBox,
         TranslateMsg(
             QStringLiteral("This is a single bit flag carried in the MPEG audio stream for information "
                            "only.^It does not affect the encoder or decoder in any way.^It simply "
                            "indicates that the material is original.")));
    hint(CopyrightFlagCheckBox,
         TranslateMsg(
             QStringLiteral("This bit indicates that the audio material is protected by copyright.^Decoders "
                            "should look at this bit and not allow the stream to be copied if this bit is "
                            "set.")));
}

void TAudioMp2SettingsDialog::SetControlsEnabled(bool enabled)
{
    for (QWidget* control : std::initializer_list<QWidget*>{
             BitRateComboBox, ChannelsModeComboBox, AudioSettingsDialogDefaultsButton,
             ErrorProtectionCheckBox, OriginalFlagCheckBox, CopyrightFlagCheckBox})
        control->setEnabled(enabled);
}

std::unique_ptr<TAudioMp2EncodingPref> TAudioMp2SettingsDialog::GetPreference() const
{
    auto preference = std::make_unique<TAudioMp2EncodingPref>();
    preference->BitRate = GetBitRate();
    preference->ChannelMode = GetChannelMode();
    preference->ErrorProtection = ErrorProtectionCheckBox->isChecked();
    preference->OriginalFlag = OriginalFlagCheckBox->isChecked();
    preference->CopyrightFlag = CopyrightFlagCheckBox->isChecked();
    return preference;
}

std::int32_t TAudioMp2SettingsDialog::GetBitRate() const
{
    bool ok = false;
    const std::int32_t bitRate = SelectedLine(BitRateComboBox).trimmed().toInt(&ok);
    return ok ? bitRate : defaultBitRateValue;
}

TMp2ChannelMode TAudioMp2SettingsDialog::GetChannelMode() const
{
    return TextToMp2ChannelMode(SelectedLine(ChannelsModeComboBox));
}

void TAudioMp2SettingsDialog::SettingsChanged()
{
    // The mono limit applies to the settled choice: while the boxes are being filled (loading, defaults)
    // a passing "Mono" line must not lower the bit rate for good.
    if (!Loading && GetChannelMode() == mcmMono && GetBitRate() > highestMonoBitRate) {
        // Selecting the line runs this handler again; only the outer run tells the change.
        Loading = true;
        SelectMatchingLine(BitRateComboBox, QString::number(highestMonoBitRate));
        Loading = false;
    }
    NotifyChanged();
}

void TAudioMp2SettingsDialog::DefaultsButtonClick()
{
    Loading = true;
    SelectLine(BitRateComboBox, defaultBitRate);
    SelectLine(ChannelsModeComboBox, QStringLiteral("Stereo"));
    ErrorProtectionCheckBox->setChecked(true);
    OriginalFlagCheckBox->setChecked(false);
    CopyrightFlagCheckBox->setChecked(false);
    Loading = false;
    SettingsChanged();
}

TAudioMp2SettingsDialog* AudioMp2SettingsDialog()
{
    return TheDialog<TAudioMp2SettingsDialog>();
}

void ExecuteAudioMp2SettingsDialog()
{
    if (TAudioMp2SettingsDialog* dialog = AudioMp2SettingsDialog())
        dialog->Execute();
}
