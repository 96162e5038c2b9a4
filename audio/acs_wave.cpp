#include "audio/acs_wave.h"

#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstring>

namespace {

constexpr std::array<int, 89> ImaStepTable = {
    7,     8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,    28,
    31,    34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,   118,
    130,   143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,   494,
    544,   598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878,  2066,
    2272,  2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845,  8630,
    9493,  10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 16> ImaIndexTable = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr int ImaMaxStepIndex = 88;

constexpr std::array<int, 16> MsAdaptationTable = {230, 230, 230, 230, 307, 409, 512, 614,
                                                   768, 614, 512, 409, 307, 230, 230, 230};
// Keeps delta x 768 inside 32 bits whatever a crafted block asks for.
constexpr std::int64_t MsMaxDelta = INT_MAX / 768;

std::int16_t Le16(const std::uint8_t* p)
{
    return static_cast<std::int16_t>(qFromLittleEndian<quint16>(p));
}

// One IMA nibble: the decoder's rule, also followed by the encoder so both stay in step.
int ImaExpand(int& predicted, int& stepIndex, int nibble)
{
    const int step = ImaStepTable[stepIndex];
    int delta = step >> 3;
    if (nibble & 4)
        delta += step;
    if (nibble & 2)
        delta += step >> 1;
    if (nibble & 1)
        delta += step >> 2;
    if (nibble & 8)
        delta = -delta;
    predicted = std::clamp(predicted + delta, -32767, 32767);
    stepIndex = std::clamp(stepIndex + ImaIndexTable[nibble], 0, ImaMaxStepIndex);
    return predicted;
}

// Where nibble k of channel c sits in an IMA block, and whether it is the high half of its byte.
int ImaNibbleByte(int channels, int channel, int k)
{
    if (channels == 1)
        return 4 + k / 2;
    return 8 + (k / 8) * 8 + 4 * channel + (k / 2) % 4;
}

struct MsChannel {
    std::int64_t First = 0, Second = 0, Delta = 0;
    int Coefficient1 = 0, Coefficient2 = 0;

    int Expand(int nibble)
    {
        const int signedNibble = nibble >= 8 ? nibble - 16 : nibble;
        const std::int64_t prediction = (First * Coefficient1 + Second * Coefficient2) / 256;
        const std::int64_t sample = std::clamp<std::int64_t>(prediction + signedNibble * Delta, -32768, 32767);
        Delta = std::clamp<std::int64_t>(Delta * MsAdaptationTable[nibble] / 256, 16, MsMaxDelta);
        Second = First;
        First = sample;
        return static_cast<int>(sample);
    }
};

// Reads the first bytes of a stream the way the header scan walks them: pos counts the bytes read, the
// last four bytes read are the window compared with a chunk code.
class HeaderCursor {
public:
    HeaderCursor(const QByteArray& head, std::int64_t streamSize)
        : data_(reinterpret_cast<const std::uint8_t*>(head.constData())),
          limit_(std::min<std::int64_t>({head.size(), streamSize, WaveHeaderScanLimit}))
    {
    }

    bool Read(std::int64_t count)
    {
        if (count < 0 || count > limit_ - pos_)
            return false;
        pos_ += count;
        return true;
    }
    // A step of the scan: it gives up once the stream or the work area is used up.
    bool Step(std::int64_t count) { return Read(count) && pos_ < limit_; }

    // Bytes equal or 32 apart match, which ignores letter case.
    bool WindowIs(const char* code) const
    {
        for (int i = 0; i < 4; ++i) {
            const int a = data_[pos_ - 4 + i], b = static_cast<std::uint8_t>(code[i]);
            if (a != b && std::abs(a - b) != 32)
                return false;
        }
        return true;
    }
    std::int64_t Pos() const { return pos_; }
    const std::uint8_t* At(std::int64_t offset) const { return data_ + offset; }
    std::uint32_t U32Before() const { return qFromLittleEndian<quint32>(data_ + pos_ - 4); }

    // Reads a chunk's size and body (and the pad byte after an odd body); returns the body's offset.
    bool ReadChunk(std::int64_t& bodyOffset, std::uint32_t& size)
    {
        if (!Read(4))
            return false;
        size = U32Before();
        bodyOffset = pos_;
        return Read(size) && Read(size & 1u);
    }

private:
    const std::uint8_t* data_;
    std::int64_t limit_;
    std::int64_t pos_ = 0;
};

TWavType TypeOfTag(std::uint16_t tag)
{
    switch (tag) {
    case 0x0001:
        return wtPCM;
    case 0x0002:
        return wtMSADPCM;
    case 0x0011:
        return wtDVIADPCM;
    case 0x0055:
        return wtACM;
    default:
        return wtUnsupported;
    }
}

// Takes the fields out of a "fmt " body; false when the tag is unknown or the body is too short for
// the fields its format needs.
bool ParseFormat(const std::uint8_t* body, std::uint32_t size, TWaveHeader& header)
{
    if (size < 16)
        return false;
    header.FormatTag = qFromLittleEndian<quint16>(body);
    header.WavType = TypeOfTag(header.FormatTag);
    header.Channels = qFromLittleEndian<quint16>(body + 2);
    header.SampleRate = qFromLittleEndian<quint32>(body + 4);
    header.BlockAlign = qFromLittleEndian<quint16>(body + 12);
    header.BitsPerSample = qFromLittleEndian<quint16>(body + 14);
    switch (header.WavType) {
    case wtUnsupported:
        return false;
    case wtPCM:
        return true;
    case wtACM:
        // Layer 3 data carry their own framing; the extra fields are not needed.
        header.SamplesPerBlock = size >= 20 ? qFromLittleEndian<quint16>(body + 18) : 0;
        return true;
    case wtDVIADPCM:
    case wtMSADPCM:
        if (size < 20)
            return false;
        header.SamplesPerBlock = qFromLittleEndian<quint16>(body + 18);
        break;
    }
    if (header.WavType == wtDVIADPCM)
        return true;
    if (size < 22)
        return false;
    header.CoefficientCount = qFromLittleEndian<quint16>(body + 20);
    if (header.CoefficientCount < 1 || header.CoefficientCount > MaxMsAdpcmCoefficients ||
        size < 22u + 4u * header.CoefficientCount)
        return false;
    for (int i = 0; i < header.CoefficientCount; ++i)
        header.Coefficients[i] = {Le16(body + 22 + 4 * i), Le16(body + 24 + 4 * i)};
    return true;
}

void PutCode(QByteArray& out, int offset, const char* code)
{
    std::memcpy(out.data() + offset, code, 4);
}
void Put16(QByteArray& out, int offset, std::uint16_t value)
{
    qToLittleEndian<quint16>(value, out.data() + offset);
}
void Put32(QByteArray& out, int offset, std::uint32_t value)
{
    qToLittleEndian<quint32>(value, out.data() + offset);
}

} // namespace

// ---- Block codecs ------------------------------------------------------------------------------------

int ImaSamplesPerBlock(int blockAlign, int channels)
{
    return 2 * (blockAlign - 4 * channels) / channels + 1;
}

bool ImaBlockAlignUsable(int blockAlign, int channels)
{
    if ((channels != 1 && channels != 2) || blockAlign <= 4 * channels)
        return false;
    if (channels == 2 && (blockAlign - 8) % 8 != 0)
        return false;
    return ImaSamplesPerBlock(blockAlign, channels) * channels * 2 <= WaveBufferSize;
}

int DecodeImaBlock(const std::uint8_t* block, int blockAlign, int channels, std::int16_t* out)
{
    if (!ImaBlockAlignUsable(blockAlign, channels))
        return 0;
    const int frames = ImaSamplesPerBlock(blockAlign, channels);
    for (int c = 0; c < channels; ++c) {
        int predicted = Le16(block + 4 * c);
        // An index beyond the table is a damaged header: decode from the last step rather than drop it.
        int stepIndex = std::min<int>(block[4 * c + 2], ImaMaxStepIndex);
        out[c] = static_cast<std::int16_t>(predicted);
        for (int k = 0; k < frames - 1; ++k) {
            const std::uint8_t byte = block[ImaNibbleByte(channels, c, k)];
            const int nibble = (k & 1) ? byte >> 4 : byte & 0x0F;
            out[(k + 1) * channels + c] = static_cast<std::int16_t>(ImaExpand(predicted, stepIndex, nibble));
        }
    }
    return frames * channels;
}

bool MsAdpcmLayoutUsable(int blockAlign, int channels, int samplesPerBlock, int coefficientCount)
{
    if ((channels != 1 && channels != 2) || coefficientCount < 1 || coefficientCount > MaxMsAdpcmCoefficients)
        return false;
    if (samplesPerBlock < 2 || blockAlign < 7 * channels)
        return false;
    const std::int64_t nibbles = std::int64_t(samplesPerBlock - 2) * channels;
    return nibbles <= 2 * std::int64_t(blockAlign - 7 * channels) &&
           std::int64_t(samplesPerBlock) * channels * 2 <= WaveBufferSize;
}

int DecodeMsAdpcmBlock(const std::uint8_t* block, int blockAlign, int channels, int samplesPerBlock,
                       const TMsAdpcmCoefficientTable& coefficients, int coefficientCount, std::int16_t* out)
{
    if (!MsAdpcmLayoutUsable(blockAlign, channels, samplesPerBlock, coefficientCount))
        return 0;
    const int total = samplesPerBlock * channels;
    std::array<MsChannel, 2> state;
    for (int c = 0; c < channels; ++c) {
        const int predictor = block[c];
        if (predictor >= coefficientCount) {
            std::fill(out, out + total, std::int16_t(0));
            return total;
        }
        state[c].Coefficient1 = coefficients[predictor].First;
        state[c].Coefficient2 = coefficients[predictor].Second;
        state[c].Delta = Le16(block + channels + 2 * c);
        state[c].First = Le16(block + 3 * channels + 2 * c);
        state[c].Second = Le16(block + 5 * channels + 2 * c);
        out[c] = static_cast<std::int16_t>(state[c].Second);
        out[channels + c] = static_cast<std::int16_t>(state[c].First);
    }
    // High nibble first; in stereo the high nibble is the left channel's.
    for (int j = 0; j < total - 2 * channels; ++j) {
        const std::uint8_t byte = block[7 * channels + j / 2];
        const int nibble = (j & 1) ? byte & 0x0F : byte >> 4;
        out[2 * channels + j] = static_cast<std::int16_t>(state[j % channels].Expand(nibble));
    }
    return total;
}

void EncodeImaBlock(const std::int16_t* frames, int channels, int blockSize, TImaEncoderChannel* state,
                    std::uint8_t* out)
{
    std::memset(out, 0, blockSize);
    const int framesPerBlock = ImaSamplesPerBlock(blockSize, channels);
    for (int c = 0; c < channels; ++c) {
        int predicted = frames[c];
        int stepIndex = state[c].StepIndex;
        qToLittleEndian<qint16>(static_cast<qint16>(predicted), out + 4 * c);
        out[4 * c + 2] = static_cast<std::uint8_t>(stepIndex);
        for (int k = 0; k < framesPerBlock - 1; ++k) {
            const int step = ImaStepTable[stepIndex];
            int difference = frames[(k + 1) * channels + c] - predicted;
            int code = 0;
            if (difference < 0) {
                code = 8;
                difference = -difference;
            }
            if (difference >= step) {
                code |= 4;
                difference -= step;
            }
            if (difference >= step >> 1) {
                code |= 2;
                difference -= step >> 1;
            }
            if (difference >= step >> 2)
                code |= 1;
            ImaExpand(predicted, stepIndex, code);
            out[ImaNibbleByte(channels, c, k)] |= static_cast<std::uint8_t>((k & 1) ? code << 4 : code);
        }
        state[c].Predicted = static_cast<std::int16_t>(predicted);
        state[c].StepIndex = static_cast<std::uint8_t>(stepIndex);
    }
}

// ---- Headers -----------------------------------------------------------------------------------------

TWaveHeader ScanWaveHeader(const QByteArray& head, std::int64_t streamSize)
{
    HeaderCursor cursor(head, streamSize);
    if (!cursor.Step(4))
        return {};
    while (!cursor.WindowIs("RIFF"))
        if (!cursor.Step(1))
            return {};
    if (!cursor.Step(4))
        return {};
    while (!cursor.WindowIs("WAVE"))
        if (!cursor.Step(1))
            return {};
    if (!cursor.Step(4))
        return {};

    TWaveHeader header;
    enum { ExpectFormat, ExpectFact, ExpectData } state = ExpectFormat;
    for (;;) {
        std::int64_t body = 0;
        std::uint32_t size = 0;
        if (state == ExpectData && cursor.WindowIs("data")) {
            if (!cursor.Read(4))
                return {};
            header.DataSize = cursor.U32Before();
            header.DataOffset = cursor.Pos();
            return header;
        }
        if (state == ExpectFormat && cursor.WindowIs("fmt ")) {
            if (!cursor.ReadChunk(body, size) || !ParseFormat(cursor.At(body), size, header))
                return {};
            state = header.WavType == wtPCM ? ExpectData : ExpectFact;
        } else if (state == ExpectFact && cursor.WindowIs("fact")) {
            if (!cursor.ReadChunk(body, size) || size < 4)
                return {};
            header.FactValueOffset = body;
            header.FactSamples = qFromLittleEndian<quint32>(cursor.At(body));
            state = ExpectData;
        } else if (!cursor.ReadChunk(body, size)) {
            return {};
        }
        if (!cursor.Step(4))
            return {};
    }
}

QByteArray MakePcmWaveHeader(int channels, std::uint32_t sampleRate, int bitsPerSample, std::uint32_t dataSize)
{
    QByteArray out(PcmWaveHeaderSize, '\0');
    const int blockAlign = bitsPerSample * channels / 8;
    PutCode(out, 0, "RIFF");
    Put32(out, 4, dataSize + 36);
    PutCode(out, 8, "WAVE");
    PutCode(out, 12, "fmt ");
    Put32(out, 16, 16);
    Put16(out, 20, 1);
    Put16(out, 22, static_cast<std::uint16_t>(channels));
    Put32(out, 24, sampleRate);
    Put32(out, 28, sampleRate * static_cast<std::uint32_t>(blockAlign));
    Put16(out, 32, static_cast<std::uint16_t>(blockAlign));
    Put16(out, 34, static_cast<std::uint16_t>(bitsPerSample));
    PutCode(out, 36, "data");
    Put32(out, 40, dataSize);
    return out;
}

QByteArray MakeImaWaveHeader(int channels, std::uint32_t sampleRate, int blockSize, std::uint32_t samples,
                             std::uint32_t dataSize)
{
    QByteArray out(ImaWaveHeaderSize, '\0');
    const int samplesPerBlock = ImaSamplesPerBlock(blockSize, channels);
    PutCode(out, 0, "RIFF");
    Put32(out, 4, dataSize + 52);
    PutCode(out, 8, "WAVE");
    PutCode(out, 12, "fmt ");
    Put32(out, 16, 20);
    Put16(out, 20, 0x0011);
    Put16(out, 22, static_cast<std::uint16_t>(channels));
    Put32(out, 24, sampleRate);
    // Exact bytes per second; whole blocks per second would read 0 below one block a second.
    Put32(out, 28, static_cast<std::uint32_t>(std::int64_t(sampleRate) * blockSize / samplesPerBlock));
    Put16(out, 32, static_cast<std::uint16_t>(blockSize));
    Put16(out, 34, 4);
    Put16(out, 36, 2);
    Put16(out, 38, static_cast<std::uint16_t>(samplesPerBlock));
    PutCode(out, 40, "fact");
    Put32(out, 44, 4);
    Put32(out, 48, samples);
    PutCode(out, 52, "data");
    Put32(out, 56, dataSize);
    return out;
}
