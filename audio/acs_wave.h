#pragma once

#include <QByteArray>

#include <array>
#include <cstdint>

// The WAVE formats the reader tells apart; the writer produces wtPCM and wtDVIADPCM.
enum TWavType : std::uint8_t { wtUnsupported = 0, wtPCM = 1, wtDVIADPCM = 2, wtMSADPCM = 3, wtACM = 4 };

// ---- Block codecs ------------------------------------------------------------------------------------

struct TMsAdpcmCoefficients {
    std::int16_t First = 0, Second = 0;
};
constexpr int MaxMsAdpcmCoefficients = 32;
using TMsAdpcmCoefficientTable = std::array<TMsAdpcmCoefficients, MaxMsAdpcmCoefficients>;

// The decoded block must fit the reader's own output buffer.
constexpr int WaveBufferSize = 16384;

// Frames one IMA ADPCM block holds: the header sample plus two per data byte and channel.
int ImaSamplesPerBlock(int blockAlign, int channels);
bool ImaBlockAlignUsable(int blockAlign, int channels);
// Decodes one whole block of blockAlign bytes into interleaved samples; returns the samples written
// (frames x channels), 0 when the layout is not usable.
int DecodeImaBlock(const std::uint8_t* block, int blockAlign, int channels, std::int16_t* out);

bool MsAdpcmLayoutUsable(int blockAlign, int channels, int samplesPerBlock, int coefficientCount);
// Decodes one whole block; a block naming a predictor that does not exist comes out as silence of the
// block's length, so the rest of the file still plays in time.
int DecodeMsAdpcmBlock(const std::uint8_t* block, int blockAlign, int channels, int samplesPerBlock,
                       const TMsAdpcmCoefficientTable& coefficients, int coefficientCount, std::int16_t* out);

// The encoder's state of one channel, carried from block to block.
struct TImaEncoderChannel {
    std::int16_t Predicted = 0;
    std::uint8_t StepIndex = 0;
};
// Encodes framesPerBlock interleaved frames (ImaSamplesPerBlock) into blockSize bytes.
void EncodeImaBlock(const std::int16_t* frames, int channels, int blockSize, TImaEncoderChannel* state,
                    std::uint8_t* out);

// ---- Headers -----------------------------------------------------------------------------------------

// What the header scan finds in the first 8192 bytes of a file.
struct TWaveHeader {
    TWavType WavType = wtUnsupported;
    std::uint16_t FormatTag = 0;
    int Channels = 0;
    std::uint32_t SampleRate = 0;
    int BlockAlign = 0;
    int BitsPerSample = 0;
    int SamplesPerBlock = 0;
    int CoefficientCount = 0;
    TMsAdpcmCoefficientTable Coefficients{};
    std::int64_t FactValueOffset = -1;
    std::uint32_t FactSamples = 0;
    std::uint32_t DataSize = 0;
    std::int64_t DataOffset = 0; // first byte of the "data" body
};

constexpr int WaveHeaderScanLimit = 8192;

// Scans head, the first bytes of a stream of streamSize bytes in all (at most 8192 of them are used).
// The result's WavType is wtUnsupported when no usable "fmt " ... "data" sequence was found.
TWaveHeader ScanWaveHeader(const QByteArray& head, std::int64_t streamSize);

constexpr int PcmWaveHeaderSize = 44;
constexpr int ImaWaveHeaderSize = 60;
constexpr std::int64_t ImaFactValueOffset = 48;
constexpr std::int64_t PcmDataSizeOffset = 40;
constexpr std::int64_t ImaDataSizeOffset = 56;

QByteArray MakePcmWaveHeader(int channels, std::uint32_t sampleRate, int bitsPerSample, std::uint32_t dataSize);
QByteArray MakeImaWaveHeader(int channels, std::uint32_t sampleRate, int blockSize, std::uint32_t samples,
                             std::uint32_t dataSize);
