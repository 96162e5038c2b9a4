#include "audio/audio_wav_settings.h"

namespace {

const QStringList encodingModeTexts{QStringLiteral("Raw PCM"), QStringLiteral("DVI IMA ADPCM")};
const QStringList channelsModeTexts{QStringLiteral("Mono"), QStringLiteral("Stereo")};
const QStringList bitsPerSampleTexts{QStringLiteral("8"), QStringLiteral("16")};

template <typename Value> Value parsed(const QStringList& texts, const QString& text, Value fallback)
{
    const int index = IndexOfValueText(texts, text);
    return index < 0 ? fallback : static_cast<Value>(index);
}

QString normalised(const QString& text)
{
    return text.trimmed().toLower();
}

TAudioWavEncodingPrefSource& source()
{
    static TAudioWavEncodingPrefSource registered;
    return registered;
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

QString TAudioWavEncodingPref::GetDescription() const
{
    return QStringLiteral("WAV (") + WavEncodingModeText(EncodingMode) + QStringLiteral(") ") +
           WavBitsPerSampleText(BitsPerSample) + QStringLiteral("bits ") +
           QString::number(SamplingFrequency) + QStringLiteral(" Hz ") + WavChannelsModeText(ChannelsMode);
}

void SetAudioWavEncodingPrefSource(TAudioWavEncodingPrefSource newSource)
{
    source() = std::move(newSource);
}

std::unique_ptr<TAudioWavEncodingPref> GetAudioWavEncodingPref()
{
    if (source())
        if (std::unique_ptr<TAudioWavEncodingPref> preference = source()())
            return preference;
    return std::make_unique<TAudioWavEncodingPref>();
}
