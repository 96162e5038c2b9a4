#pragma once

#include "audio/audio_wav_settings.h"

#include <cstdint>
#include <functional>
#include <memory>

enum TMp2ChannelMode : std::uint8_t { mcmMono = 0, mcmStereo = 1, mcmJointStereo = 2, mcmDualChannel = 3 };

// "Mono", "Stereo", "Joint Stereo", "Dual Channel"; an unknown text reads as stereo.
QString Mp2ChannelModeText(TMp2ChannelMode mode);
TMp2ChannelMode TextToMp2ChannelMode(const QString& text);

// The MPEG-1 Layer II stream the encoder writes; a snapshot, later edits in the dialog do not reach it.
class TAudioMp2EncodingPref {
public:
    std::int32_t BitRate = 224; // kbit/s
    TMp2ChannelMode ChannelMode = mcmStereo;
    bool ErrorProtection = true;
    bool OriginalFlag = false;
    bool CopyrightFlag = false;

    // "mp2 224 kbps Stereo"; never translated, it goes into file names.
    QString GetDescription() const;
};

// Where the values in force come from: the program's MPEG audio settings dialog hands itself over when
// it is created. A source that yields nothing (the dialog is gone) counts as none.
using TAudioMp2EncodingPrefSource = std::function<std::unique_ptr<TAudioMp2EncodingPref>()>;
void SetAudioMp2EncodingPrefSource(TAudioMp2EncodingPrefSource source);

// The values of the source, or the defaults when there is none. The caller owns the result.
std::unique_ptr<TAudioMp2EncodingPref> GetAudioMp2EncodingPref();
