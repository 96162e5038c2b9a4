#include "audio/acs_wave.h"

#include "audio/wave_converter.h"
#include "platform/regular_file.h"

#include <QBuffer>
#include <QtEndian>

#include <algorithm>
#include <climits>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace {

constexpr std::array<int, 89> ImaStepTable = {
    7,    8,     9,     10,    11,    12,    13,    14,    16,    17,    19,    21,    23,    25,   28,
    31,   34,    37,    41,    45,    50,    55,    60,    66,    73,    80,    88,    97,    107,  118,
    130,  143,   157,   173,   190,   209,   230,   253,   279,   307,   337,   371,   408,   449,  494,
    544,  598,   658,   724,   796,   876,   963,   1060,  1166,  1282,  1411,  1552,  1707,  1878, 2066,
    2272, 2499,  2749,  3024,  3327,  3660,  4026,  4428,  4871,  5358,  5894,  6484,  7132,  7845, 8630,
    9493, 10442, 11487, 12635, 13899, 15289, 16818, 18500, 20350, 22385, 24623, 27086, 29794, 32767};
constexpr std::array<int, 16> ImaIndexTable = {-1, -1, -1, -1, 2, 4, 6, 8, -1, -1, -1, -1, 2, 4, 6, 8};
constexpr int ImaMaxStepIndex = 88;

constexpr std::array<int, 16> MsAdaptationTable = {230, 230, 230, 230, 307, 409, 512, 614,
                                                   768, 614, 512, 409, 307, 230, 230, 230};
// Keeps delta x 768 inside 32 bits whatever a crafted block asks for.
constexpr std::int64_t MsMaxDelta = INT_MAX / 768;

// What is written goes to the file in pieces of this size: a few large writes cost the kernel much less
// than many small ones.
constexpr std::int64_t WriteBehindSize = 65536;

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
        const std::int64_t sample =
            std::clamp<std::int64_t>(prediction + signedNibble * Delta, -32768, 32767);
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
        // An index beyond the table is a damaged header: restarting from the smallest step keeps the
        // block quiet where the largest would turn it into full-scale noise.
        int stepIndex = block[4 * c + 2] > ImaMaxStepIndex ? 0 : block[4 * c + 2];
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

std::int64_t MaxWaveFrames(TWavType type, int channels, int bitsPerSample, int blockSize)
{
    if (type == wtDVIADPCM)
        return MaxWaveDataBytes(ImaWaveHeaderSize) / std::max(1, blockSize) *
               ImaSamplesPerBlock(blockSize, channels);
    return MaxWaveDataBytes(PcmWaveHeaderSize) / std::max(1, channels * bitsPerSample / 8);
}

QByteArray MakePcmWaveHeader(int channels, std::uint32_t sampleRate, int bitsPerSample,
                             std::uint32_t dataSize)
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
    Put32(out, 28, static_cast<std::uint32_t>(std::int64_t(sampleRate) * blockAlign));
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

// ---- TWaveIn -----------------------------------------------------------------------------------------

namespace {

[[noreturn]] void Raise(const char* text)
{
    throw EACSException(QString::fromLatin1(text));
}

// The failure and, when the file knows it, the system's reason: "Cannot write to this .wav file: No
// space left on device."
[[noreturn]] void RaiseFileError(const char* failure, const QIODevice* device)
{
    QString message = QString::fromLatin1(failure);
    const auto* file = qobject_cast<const QFileDevice*>(device);
    if (file && file->error() != QFileDevice::NoError)
        message += QStringLiteral(": ") + file->errorString();
    throw EACSException(message + u'.');
}

void WriteOrRaise(QIODevice& device, const char* data, qint64 count)
{
    if (!plat::WriteWhole(device, data, count))
        RaiseFileError("Cannot write to this .wav file", &device);
}

// Whether a format's channels and rate can be handed down a chain at all.
bool LayoutUsable(int channels, std::uint32_t sampleRate)
{
    return (channels == 1 || channels == 2) && sampleRate > 0 && sampleRate <= MaxWaveSampleRate;
}

// Layer 3 data are decoded this many bytes at a time: even resampled to the highest rate, what one
// piece decodes to stays within a few megabytes.
constexpr std::int64_t Layer3PieceSize = 1024;

} // namespace

TWaveIn::TWaveIn(QObject* Owner) : TACSFileIn(Owner), Buffer(WaveBufferSize) {}

TWaveIn::~TWaveIn() = default;

void TWaveIn::OpenFile()
{
    if (OpenCount == 0) {
        if (!StreamAssigned) {
            // A pipe or a device is never opened: the reader would wait for a writer, or never end.
            const int descriptor = plat::OpenRegularFile(FileName);
            if (descriptor >= 0) {
                OwnFile = std::make_unique<QFile>(FileName);
                if (OwnFile->open(descriptor, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
                    Stream = OwnFile.get();
                } else {
                    ::close(descriptor);
                    OwnFile.reset();
                }
            }
        }
        ReadHeader();
    }
    ++OpenCount;
}

void TWaveIn::CloseFile()
{
    if (OpenCount == 0)
        return;
    if (OpenCount == 1)
        ReleaseStreams();
    --OpenCount;
}

void TWaveIn::ReleaseStreams()
{
    Layer3.reset();
    Layer3Pcm.clear();
    Layer3Taken = 0;
    if (OwnFile) {
        OwnFile.reset();
        Stream = nullptr;
    } else if (Stream && Seekable) {
        Stream->seek(0);
    }
}

void TWaveIn::ReadHeader()
{
    // A stream handed in may change under the same object: only a file is known again by its identity.
    const TFileIdentity identity = OwnFile ? IdentityOfOwnFile() : TFileIdentity{};
    if (OwnFile && identity == KeptFor) {
        TakeKeptFormat();
    } else {
        Valid = false;
        WavType = wtUnsupported;
        Header = {};
        BPS = SR = Ch = 0;
        TotalSamples = Size = StreamSize = 0;
        if (Stream) {
            ScanStream();
            TakeFormat();
        }
        KeepFormat(OwnFile ? identity : TFileIdentity{});
    }
    if (Stream && Valid)
        PositionAtData();
}

TWaveIn::TFileIdentity TWaveIn::IdentityOfOwnFile() const
{
    struct stat status {};
    if (::fstat(OwnFile->handle(), &status) != 0)
        return {};
    return {FileName, std::uint64_t(status.st_dev), std::uint64_t(status.st_ino), status.st_size,
            std::int64_t(status.st_mtim.tv_sec) * 1'000'000'000 + status.st_mtim.tv_nsec};
}

void TWaveIn::KeepFormat(const TFileIdentity& identity)
{
    KeptFor = identity;
    Kept = {Valid, WavType, Header, BPS, SR, Ch, TotalSamples, Size, StreamSize};
}

void TWaveIn::TakeKeptFormat()
{
    Valid = Kept.Valid;
    WavType = Kept.WavType;
    Header = Kept.Header;
    DataOffset = Header.DataOffset;
    BPS = Kept.BPS;
    SR = Kept.SR;
    Ch = Kept.Ch;
    TotalSamples = Kept.TotalSamples;
    Size = Kept.Size;
    StreamSize = Kept.StreamSize;
}

void TWaveIn::ScanStream()
{
    Stream->seek(0);
    StreamSize = Stream->size();
    Header = ScanWaveHeader(Stream->read(WaveHeaderScanLimit), StreamSize);
    WavType = Header.WavType;
    DataOffset = Header.DataOffset;
}

void TWaveIn::PositionAtData()
{
    Stream->seek(DataOffset);
    if (WavType == wtACM)
        StartLayer3();
}

void TWaveIn::TakeFormat()
{
    Ch = Header.Channels;
    SR = static_cast<int>(std::min<std::uint32_t>(Header.SampleRate, INT_MAX));
    BPS = Header.BitsPerSample;
    const bool layoutUsable = LayoutUsable(Header.Channels, Header.SampleRate);
    switch (WavType) {
    case wtPCM:
        Valid = layoutUsable && (BPS == 8 || BPS == 16);
        if (Valid) {
            const int frameBytes = BPS / 8 * Ch;
            Size = DataBytesPresent() / frameBytes * frameBytes;
            TotalSamples = Size / frameBytes;
        }
        break;
    case wtACM:
        // Decoded to 16 bits in the header's layout and rate; only decoding tells the length.
        BPS = 16;
        Size = layoutUsable ? MeasureLayer3() : 0;
        Valid = Size > 0;
        TotalSamples = Valid ? Size / (2 * Ch) : 0;
        break;
    case wtDVIADPCM:
        Valid = layoutUsable && BPS == 4 && ImaBlockAlignUsable(Header.BlockAlign, Ch);
        BPS = 16;
        if (Valid)
            TotalSamples = SamplesPresent(Header.FactSamples, ImaSamplesPerBlock(Header.BlockAlign, Ch));
        Size = TotalSamples * 2 * Ch;
        break;
    case wtMSADPCM:
        Valid = layoutUsable &&
                MsAdpcmLayoutUsable(Header.BlockAlign, Ch, Header.SamplesPerBlock, Header.CoefficientCount);
        BPS = 16;
        if (Valid)
            TotalSamples = SamplesPresent(Header.FactSamples, Header.SamplesPerBlock);
        Size = TotalSamples * 2 * Ch;
        break;
    case wtUnsupported:
        Valid = false;
        break;
    }
}

std::int64_t TWaveIn::DataBytesPresent() const
{
    const std::int64_t present = std::max<std::int64_t>(0, StreamSize - DataOffset);
    // 0 and 0xFFFFFFFF are what writers leave when they never came back to patch the size.
    const std::uint32_t declared = Header.DataSize;
    if (declared == 0 || declared == 0xFFFFFFFFu || declared > present)
        return present;
    return declared;
}

std::int64_t TWaveIn::SamplesPresent(std::uint32_t factSamples, int samplesPerBlock) const
{
    const std::int64_t blockAlign = Header.BlockAlign;
    const std::int64_t blocks = (DataBytesPresent() + blockAlign - 1) / blockAlign;
    const std::int64_t held = blocks * samplesPerBlock;
    return factSamples == 0 || factSamples > held ? held : factSamples;
}

void TWaveIn::StartLayer3()
{
    Stream->seek(DataOffset);
    PayloadLeft = DataBytesPresent();
    Layer3Pcm.clear();
    Layer3Taken = 0;
    Layer3 = std::make_unique<TLayer3Decoder>(Ch, SR);
    if (Layer3->Open() != 0)
        Layer3.reset();
}

void TWaveIn::DecodeLayer3Piece()
{
    // An empty piece, at the end of the payload or on a read error, drains the decoder.
    const QByteArray piece =
        PayloadLeft > 0 ? Stream->read(std::min(PayloadLeft, Layer3PieceSize)) : QByteArray();
    PayloadLeft = piece.isEmpty() ? 0 : PayloadLeft - piece.size();
    if (Layer3->Feed(piece, Layer3Pcm) != 0 || piece.isEmpty())
        Layer3.reset();
}

std::int64_t TWaveIn::MeasureLayer3()
{
    StartLayer3();
    std::int64_t total = 0;
    while (Layer3) {
        DecodeLayer3Piece();
        total += Layer3Pcm.size();
        Layer3Pcm.resize(0); // keeps its room for the next piece
    }
    return total;
}

std::int64_t TWaveIn::ReadLayer3()
{
    if (Layer3Taken == Layer3Pcm.size()) {
        Layer3Pcm.resize(0);
        Layer3Taken = 0;
    }
    while (Layer3Pcm.isEmpty() && Layer3)
        DecodeLayer3Piece();
    const std::int64_t count =
        std::min<std::int64_t>({Layer3Pcm.size() - Layer3Taken, WaveBufferSize, Size - Position});
    if (count <= 0)
        return 0;
    std::memcpy(Buffer.data(), Layer3Pcm.constData() + Layer3Taken, count);
    Layer3Taken += count;
    return count;
}

TWavType TWaveIn::GetWavType()
{
    if (Busy || !Seekable)
        return WavType;
    OpenFile();
    const TWavType type = WavType;
    CloseFile();
    return type;
}

bool TWaveIn::Seek(std::int64_t SampleNum)
{
    if (!Seekable)
        return false;
    OpenFile();
    bool positioned = false;
    if (Valid && Stream && SampleNum >= 0) {
        switch (WavType) {
        case wtPCM:
            positioned = Stream->seek(DataOffset + SampleNum * (BPS / 8) * Ch);
            break;
        case wtDVIADPCM:
            positioned = Stream->seek(DataOffset + SampleNum / ImaSamplesPerBlock(Header.BlockAlign, Ch) *
                                                       Header.BlockAlign);
            break;
        case wtMSADPCM:
            positioned = Stream->seek(DataOffset + SampleNum / Header.SamplesPerBlock * Header.BlockAlign);
            break;
        case wtACM:
        case wtUnsupported:
            break;
        }
    }
    CloseFile();
    return positioned;
}

std::int64_t TWaveIn::GetData(void* Out, std::int64_t BufferSize)
{
    if (!Busy)
        Raise("The Stream is not opened");
    if (BufStart > BufEnd && !Refill())
        return 0;
    const std::int64_t count = std::min(BufferSize, BufEnd - BufStart + 1);
    std::memcpy(Out, Buffer.data() + BufStart - 1, count);
    BufStart += count;
    Position += count;
    return count;
}

bool TWaveIn::Refill()
{
    BufStart = 1;
    BufEnd = 0;
    if (!Valid || !Stream)
        return false;
    switch (WavType) {
    case wtPCM:
    case wtACM: {
        const auto read = [this] { return WavType == wtACM ? ReadLayer3() : ReadPcm(); };
        BufEnd = read();
        if (BufEnd == 0 && Loop) {
            Restart();
            BufEnd = read();
        }
        break;
    }
    case wtDVIADPCM:
    case wtMSADPCM:
        if (Position >= Size) {
            if (!Loop || Size == 0)
                return false;
            Restart();
        }
        BufEnd = DecodeNextBlock();
        break;
    case wtUnsupported:
        break;
    }
    return BufEnd > 0;
}

void TWaveIn::Restart()
{
    Flush();
    Init();
    // When another open level kept the file, the header was not read again to position it.
    if (StartSample == 0 && Stream)
        PositionAtData();
}

std::int64_t TWaveIn::ReadPcm()
{
    const std::int64_t wanted = std::clamp<std::int64_t>(Size - Position, 0, WaveBufferSize);
    if (wanted == 0)
        return 0;
    const qint64 read = Stream->read(reinterpret_cast<char*>(Buffer.data()), wanted);
    if (read < 0)
        Raise("Cannot read this .wav file.");
    const int frameBytes = BPS / 8 * Ch;
    return read / frameBytes * frameBytes;
}

std::int64_t TWaveIn::DecodeNextBlock()
{
    if (Stream->atEnd())
        return 0;
    const int blockAlign = Header.BlockAlign;
    Block.assign(blockAlign, 0);
    // A short last block is decoded with zeros in place of the missing bytes.
    const qint64 read = Stream->read(reinterpret_cast<char*>(Block.data()), blockAlign);
    if (read < 0)
        Raise("Cannot read this .wav file.");
    if (read == 0)
        return 0;
    std::array<std::int16_t, WaveBufferSize / 2> samples;
    const int count = WavType == wtDVIADPCM
                          ? DecodeImaBlock(Block.data(), blockAlign, Ch, samples.data())
                          : DecodeMsAdpcmBlock(Block.data(), blockAlign, Ch, Header.SamplesPerBlock,
                                               Header.Coefficients, Header.CoefficientCount, samples.data());
    qToLittleEndian<qint16>(samples.data(), count, Buffer.data());
    return std::int64_t(count) * 2;
}

plat::DecodedSound DecodeWaveImage(const QByteArray& image)
{
    // A sound event is short: a small file that decodes to hours (very low bit-rate Layer 3) is cut.
    constexpr qsizetype maxSamplesBytes = 64 << 20;
    QByteArray bytes = image;
    QBuffer stream(&bytes);
    stream.open(QIODevice::ReadOnly);
    TWaveIn in;
    in.SetStream(&stream);
    plat::DecodedSound sound;
    try {
        in.Init();
        if (in.GetValid()) {
            sound.Format.setSampleRate(in.GetSR());
            sound.Format.setChannelCount(in.GetCh());
            sound.Format.setSampleFormat(in.GetBPS() == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16);
            std::vector<char> buffer(WaveBufferSize);
            while (sound.Samples.size() < maxSamplesBytes) {
                const std::int64_t count = in.GetData(buffer.data(), WaveBufferSize);
                if (count == 0)
                    break;
                sound.Samples.append(buffer.data(), count);
            }
        }
        in.Flush();
    } catch (const EACSException&) {
        return {};
    }
    return sound;
}

// ---- TWaveOut ----------------------------------------------------------------------------------------

TWaveOut::TWaveOut(QObject* Owner) : TACSFileOut(Owner) {}

TWaveOut::~TWaveOut()
{
    TerminateThread();
}

void TWaveOut::SetWavType(TWavType Value)
{
    if (!Busy && (Value == wtPCM || Value == wtDVIADPCM))
        WavType = Value;
}

void TWaveOut::SetBlockSize(int Value)
{
    // Whether a size suits the input's channels is known only when a run starts.
    if (!Busy && Value > 0 && Value <= 0xFFFF && Value % 4 == 0)
        BlockSize = Value;
}

void TWaveOut::SetFileMode(TFileOutputMode Value)
{
    FileMode = Value;
}

TACSInput& TWaveOut::RequireInput() const
{
    TACSInput* input = GetInput();
    if (!input)
        Raise("Input is not assigned");
    return *input;
}

void TWaveOut::Prepare()
{
    EndOfInput = false;
    Pending.clear();
    BlocksBefore = 0;
    FramesEncoded = 0;
    Encoder = {};
    OpenTarget();
    try {
        RequireInput().Init();
    } catch (...) {
        CloseTarget();
        throw;
    }
    try {
        StartRun();
    } catch (...) {
        RequireInput().Flush();
        CloseTarget();
        throw;
    }
}

void TWaveOut::OpenTarget()
{
    if (StreamAssigned) {
        if (!Stream)
            Raise("File name is not assigned.");
        return;
    }
    if (FileName.isEmpty())
        Raise("File name is not assigned.");
    auto file = std::make_unique<QFile>(FileName);
    const bool append = FileMode == foAppend && file->exists();
    // Unbuffered, so a full disk shows at the piece that meets it.
    const QIODevice::OpenMode mode =
        append ? QIODevice::ReadWrite : QIODevice::WriteOnly | QIODevice::Truncate;
    if (!file->open(mode | QIODevice::Unbuffered))
        RaiseFileError("Cannot create this .wav file", file.get());
    OwnFile = std::move(file);
    Stream = OwnFile.get();
}

bool TWaveOut::CloseTarget()
{
    if (!OwnFile)
        return true;
    // The last of the data may reach the disk only now.
    OwnFile->close();
    const bool closed = OwnFile->error() == QFileDevice::NoError;
    OwnFile.reset();
    Stream = nullptr;
    return closed;
}

void TWaveOut::StartRun()
{
    TACSInput& input = RequireInput();
    Channels = input.GetCh();
    const int bits = input.GetBPS();
    if ((Channels != 1 && Channels != 2) || (bits != 8 && bits != 16) || input.GetSR() <= 0)
        Raise("Unsupported audio format.");
    if (FileMode == foAppend && Stream->size() > 0) {
        const TAppendInfo existing = ScanForAppend();
        if (existing.Type == wtUnsupported)
            Raise("Cannot append data to this .wav file.");
        WavType = existing.Type;
        if (WavType == wtDVIADPCM)
            BlockSize = existing.BlockAlign;
        if (WavType == wtPCM)
            StartPcm(&existing);
        else
            StartIma(&existing);
        return;
    }
    if (WavType == wtPCM)
        StartPcm(nullptr);
    else
        StartIma(nullptr);
}

TWaveOut::TAppendInfo TWaveOut::ScanForAppend()
{
    Stream->seek(0);
    const std::int64_t size = Stream->size();
    const TWaveHeader header = ScanWaveHeader(Stream->read(WaveHeaderScanLimit), size);
    TAppendInfo info;
    info.Ch = header.Channels;
    info.SR = static_cast<int>(std::min<std::uint32_t>(header.SampleRate, INT_MAX));
    info.BPS = header.BitsPerSample;
    info.BlockAlign = header.BlockAlign;
    info.FactValueOffset = header.FactValueOffset;
    info.DataSizeOffset = header.DataOffset - 4;
    info.HeaderLength = header.DataOffset;

    bool usable = LayoutUsable(header.Channels, header.SampleRate);
    std::int64_t unit = 1;
    if (header.WavType == wtPCM) {
        usable = usable && (info.BPS == 8 || info.BPS == 16);
        unit = std::max(1, info.BPS / 8 * info.Ch);
    } else if (header.WavType == wtDVIADPCM) {
        usable = usable && info.BPS == 4 && info.BlockAlign % 4 == 0 &&
                 ImaBlockAlignUsable(info.BlockAlign, info.Ch) && info.FactValueOffset >= 0;
        unit = std::max(1, info.BlockAlign);
    } else {
        usable = false;
    }
    // The new data must follow the old ones directly: a data size that cannot be true means the data run
    // to the end of the file; a pad byte after odd data is overwritten; other chunks after them refuse.
    const std::int64_t present = size - header.DataOffset;
    const std::uint32_t declared = header.DataSize;
    std::int64_t dataBytes = present;
    if (declared != 0 && declared != 0xFFFFFFFFu && declared < present) {
        usable = usable && (declared & 1u) && declared + 1 == present;
        dataBytes = declared;
    }
    usable = usable && dataBytes % unit == 0;
    info.AppendAt = header.DataOffset + dataBytes;
    info.Type = usable ? header.WavType : wtUnsupported;
    return info;
}

void TWaveOut::StartPcm(const TAppendInfo* Existing)
{
    TACSInput& input = RequireInput();
    FactValueOffset = -1;
    if (Existing) {
        if (input.GetSR() != Existing->SR || input.GetBPS() != Existing->BPS || Channels != Existing->Ch)
            Raise("Cannot append data in different audio format.");
        HeaderLength = Existing->HeaderLength;
        DataSizeOffset = Existing->DataSizeOffset;
        WriteEnd = Existing->AppendAt;
        Stream->seek(WriteEnd);
        return;
    }
    RefuseOversizedInput(input);
    const std::int64_t size = input.Size;
    const bool sizeFits = size >= 0 && size <= MaxWaveDataBytes(PcmWaveHeaderSize);
    HeaderLength = PcmWaveHeaderSize;
    DataSizeOffset = PcmDataSizeOffset;
    WriteEnd = 0;
    RewindTarget();
    const QByteArray header = MakePcmWaveHeader(Channels, static_cast<std::uint32_t>(input.GetSR()),
                                                input.GetBPS(), sizeFits ? std::uint32_t(size) : 0);
    Write(header.constData(), header.size());
}

void TWaveOut::StartIma(const TAppendInfo* Existing)
{
    TACSInput& input = RequireInput();
    if (input.GetBPS() != 16)
        Raise("Cannot encode 8 bit sound into ADPCM.");
    if (Existing) {
        if (input.GetSR() != Existing->SR || Channels != Existing->Ch)
            Raise("Cannot append data in different audio format.");
        HeaderLength = Existing->HeaderLength;
        DataSizeOffset = Existing->DataSizeOffset;
        FactValueOffset = Existing->FactValueOffset;
        WriteEnd = Existing->AppendAt;
        BlocksBefore = (WriteEnd - HeaderLength) / BlockSize;
        Stream->seek(WriteEnd);
        return;
    }
    // A stereo block holds whole groups of 8 bytes, and a block's samples must fit the reader's buffer.
    if (!ImaBlockAlignUsable(BlockSize, Channels))
        Raise("Cannot encode ADPCM blocks of this size.");
    RefuseOversizedInput(input);
    const std::int64_t size = input.Size;
    const std::int64_t samples = std::clamp<std::int64_t>(size / 2 / Channels, 0, 0xFFFFFFFFll);
    // The last block is completed with silence; no input, no block.
    const std::int64_t samplesPerBlock = ImaSamplesPerBlock(BlockSize, Channels);
    const std::int64_t blocks = (samples + samplesPerBlock - 1) / samplesPerBlock;
    const std::int64_t dataSize = std::min(blocks * BlockSize, MaxWaveDataBytes(ImaWaveHeaderSize));
    HeaderLength = ImaWaveHeaderSize;
    DataSizeOffset = ImaDataSizeOffset;
    FactValueOffset = ImaFactValueOffset;
    WriteEnd = 0;
    RewindTarget();
    const QByteArray header = MakeImaWaveHeader(Channels, static_cast<std::uint32_t>(input.GetSR()),
                                                BlockSize, std::uint32_t(samples), std::uint32_t(dataSize));
    Write(header.constData(), header.size());
}

// A new file whose input's size is known is refused before anything is written when it would be too large.
void TWaveOut::RefuseOversizedInput(TACSInput& input) const
{
    const int bits = input.GetBPS();
    const int frameBytes = bits / 8 * Channels;
    const std::int64_t size = input.Size;
    if (size > 0 && frameBytes > 0 && size / frameBytes > MaxWaveFrames(WavType, Channels, bits, BlockSize))
        Raise("This .wav file would exceed 4 GB.");
}

void TWaveOut::RewindTarget()
{
    // A fresh file is at its start already; a device may not seek at all.
    if (Stream->pos() != 0 && !Stream->seek(0))
        RaiseFileError("Cannot write to this .wav file", Stream);
}

void TWaveOut::Write(const void* Data, std::int64_t Count)
{
    if (Count <= 0)
        return;
    if (WriteEnd + Count - HeaderLength > MaxWaveDataBytes(HeaderLength))
        Raise("This .wav file would exceed 4 GB.");
    const auto* bytes = static_cast<const char*>(Data);
    Pending.insert(Pending.end(), bytes, bytes + Count);
    WriteEnd += Count;
    if (std::ssize(Pending) >= WriteBehindSize)
        WritePending();
}

void TWaveOut::WritePending()
{
    WriteOrRaise(*Stream, Pending.data(), static_cast<qint64>(Pending.size()));
    Pending.clear();
}

void TWaveOut::WriteAt(std::int64_t Offset, std::uint32_t Value)
{
    WritePending();
    char bytes[4];
    qToLittleEndian<quint32>(Value, bytes);
    if (!Stream->seek(Offset))
        RaiseFileError("Cannot write to this .wav file", Stream);
    WriteOrRaise(*Stream, bytes, 4);
}

bool TWaveOut::DoOutput(bool Abort)
{
    if (!Active)
        return true;
    CheckProgress();
    if (Abort || EndOfInput)
        return false;
    if (WavType == wtDVIADPCM)
        return WriteImaBlock();
    Transfer.resize(WaveBufferSize);
    const std::int64_t count = GetInputData(Transfer.data(), WaveBufferSize);
    Write(Transfer.data(), count);
    return count > 0;
}

bool TWaveOut::WriteImaBlock()
{
    const int framesPerBlock = ImaSamplesPerBlock(BlockSize, Channels);
    const std::int64_t frameBytes = 2 * Channels;
    const std::int64_t blockBytes = framesPerBlock * frameBytes;
    // The last block is completed with silence.
    Transfer.assign(blockBytes, 0);
    std::int64_t filled = 0;
    while (filled < blockBytes) {
        const std::int64_t count = GetInputData(Transfer.data() + filled, blockBytes - filled);
        if (count <= 0) {
            EndOfInput = true;
            break;
        }
        filled += count;
    }
    if (filled == 0)
        return false;
    FramesEncoded += filled / frameBytes;
    std::vector<std::int16_t> frames(framesPerBlock * Channels);
    qFromLittleEndian<qint16>(Transfer.data(), qsizetype(frames.size()), frames.data());
    std::vector<std::uint8_t> block(BlockSize);
    EncodeImaBlock(frames.data(), Channels, BlockSize, Encoder.data(), block.data());
    Write(block.data(), BlockSize);
    return true;
}

void TWaveOut::PatchHeader()
{
    const std::int64_t dataBytes = WriteEnd - HeaderLength;
    WriteAt(DataSizeOffset, static_cast<std::uint32_t>(dataBytes));
    if (WavType == wtDVIADPCM && FactValueOffset >= 0) {
        const std::int64_t samples = BlocksBefore * ImaSamplesPerBlock(BlockSize, Channels) + FramesEncoded;
        WriteAt(FactValueOffset, static_cast<std::uint32_t>(std::min<std::int64_t>(samples, 0xFFFFFFFFll)));
    }
    WriteAt(4, static_cast<std::uint32_t>(Stream->size() - 8));
}

void TWaveOut::Done()
{
    // The file is closed and the input released whatever the patching meets; its failure then ends
    // the run as a failure.
    std::exception_ptr failure;
    if (Stream) {
        try {
            PatchHeader();
        } catch (...) {
            failure = std::current_exception();
        }
    }
    const bool closed = CloseTarget();
    if (TACSInput* input = GetInput())
        input->Flush();
    if (failure)
        std::rethrow_exception(failure);
    if (!closed)
        Raise("Cannot write to this .wav file.");
}
