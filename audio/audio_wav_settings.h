#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <functional>
#include <memory>

enum TWavEncodingMode : std::uint8_t { wemRawPcm = 0, wemDviImaAdpcm = 1 };
enum TWavChannelsMode : std::uint8_t { wcmMono = 0, wcmStereo = 1 };
enum TWavBitsPerSample : std::uint8_t { wbs8 = 0, wbs16 = 1 };

// Value texts as stored in the settings, listed in the dialog and shown in the description. A text
// is read back ignoring case and framing blanks; an unknown text gives the default of its kind.
QString WavEncodingModeText(TWavEncodingMode mode);
TWavEncodingMode TextToWavEncodingMode(const QString& text);
QString WavChannelsModeText(TWavChannelsMode mode);
TWavChannelsMode TextToWavChannelsMode(const QString& text);
QString WavBitsPerSampleText(TWavBitsPerSample bits);
TWavBitsPerSample TextToWavBitsPerSample(const QString& text);

// The index of the first text equal to the given one, ignoring case and framing blanks; -1 for none.
int IndexOfValueText(const QStringList& texts, const QString& text);

// The WAV output a command writes; a snapshot, later edits in the dialog do not reach it.
class TAudioWavEncodingPref {
public:
    std::int32_t SamplingFrequency = 44100; // Hz
    TWavEncodingMode EncodingMode = wemRawPcm;
    TWavChannelsMode ChannelsMode = wcmStereo;
    TWavBitsPerSample BitsPerSample = wbs16;

    // "WAV (Raw PCM) 16bits 44100 Hz Stereo"; never translated, it goes into file names.
    QString GetDescription() const;
};

// Where the values in force come from: the program's WAV settings dialog hands itself over when it is
// created. A source that yields nothing (the dialog is gone) counts as none.
using TAudioWavEncodingPrefSource = std::function<std::unique_ptr<TAudioWavEncodingPref>()>;
void SetAudioWavEncodingPrefSource(TAudioWavEncodingPrefSource source);

// The values of the source, or the defaults when there is none. The caller owns the result.
std::unique_ptr<TAudioWavEncodingPref> GetAudioWavEncodingPref();
