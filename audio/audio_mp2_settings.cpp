#include "audio/audio_mp2_settings.h"

namespace {

const QStringList channelModeTexts{QStringLiteral("Mono"), QStringLiteral("Stereo"),
                                   QStringLiteral("Joint Stereo"), QStringLiteral("Dual Channel")};

TAudioMp2EncodingPrefSource& source()
{
    static TAudioMp2EncodingPrefSource registered;
    return registered;
}

} // namespace

QString Mp2ChannelModeText(TMp2ChannelMode mode)
{
    return channelModeTexts.value(mode);
}

TMp2ChannelMode TextToMp2ChannelMode(const QString& text)
{
    const int index = IndexOfValueText(channelModeTexts, text);
    return index < 0 ? mcmStereo : static_cast<TMp2ChannelMode>(index);
}

QString TAudioMp2EncodingPref::GetDescription() const
{
    return QStringLiteral("mp2 ") + QString::number(BitRate) + QStringLiteral(" kbps ") +
           Mp2ChannelModeText(ChannelMode);
}

void SetAudioMp2EncodingPrefSource(TAudioMp2EncodingPrefSource newSource)
{
    source() = std::move(newSource);
}

std::unique_ptr<TAudioMp2EncodingPref> GetAudioMp2EncodingPref()
{
    if (source())
        if (std::unique_ptr<TAudioMp2EncodingPref> preference = source()())
            return preference;
    return std::make_unique<TAudioMp2EncodingPref>();
}
