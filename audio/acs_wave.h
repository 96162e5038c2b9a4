#pragma once

#include "audio/acs_classes.h"
#include "platform/sound_player.h"

#include <QByteArray>
#include <QFile>

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

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
// The highest sampling rate a file can declare and still be read.
constexpr std::uint32_t MaxWaveSampleRate = 384000;

// Scans head, the first bytes of a stream of streamSize bytes in all (at most 8192 of them are used).
// The result's WavType is wtUnsupported when no usable "fmt " ... "data" sequence was found.
TWaveHeader ScanWaveHeader(const QByteArray& head, std::int64_t streamSize);

constexpr int PcmWaveHeaderSize = 44;
constexpr int ImaWaveHeaderSize = 60;
constexpr std::int64_t ImaFactValueOffset = 48;
constexpr std::int64_t PcmDataSizeOffset = 40;
constexpr std::int64_t ImaDataSizeOffset = 56;

// The most data bytes a WAV file whose header takes headerSize bytes holds: its RIFF size (the data and
// the header after its first 8 bytes) must stay within 32 bits.
constexpr std::int64_t MaxWaveDataBytes(std::int64_t headerSize)
{
    return 0xFFFFFFFFll - (headerSize - 8);
}
// The most frames of that many channels one file of the writer holds: of bitsPerSample as PCM, or in
// IMA ADPCM blocks of blockSize bytes.
std::int64_t MaxWaveFrames(TWavType type, int channels, int bitsPerSample, int blockSize);

QByteArray MakePcmWaveHeader(int channels, std::uint32_t sampleRate, int bitsPerSample,
                             std::uint32_t dataSize);
QByteArray MakeImaWaveHeader(int channels, std::uint32_t sampleRate, int blockSize, std::uint32_t samples,
                             std::uint32_t dataSize);

// ---- Components --------------------------------------------------------------------------------------

class TLayer3Decoder;

// Reads a RIFF WAVE file and hands out its audio as PCM: plain PCM, IMA ADPCM and Microsoft ADPCM are
// decoded block by block, MPEG Layer 3 data piece by piece. A file it cannot use opens with Valid
// false; nothing is raised. What the header says is read once per file, until the file changes.
class TWaveIn : public TACSFileIn {
public:
    explicit TWaveIn(QObject* Owner = nullptr);
    ~TWaveIn() override;

    std::int64_t GetData(void* Buffer, std::int64_t BufferSize) override;
    void OpenFile() override;
    void CloseFile() override;
    bool Seek(std::int64_t SampleNum) override;
    TWavType GetWavType();

private:
    // What reading the header found, and the file it was found in.
    struct TFileIdentity {
        QString Name;
        std::uint64_t Device = 0, Inode = 0;
        std::int64_t Size = -1, ModifiedNs = 0;
        bool operator==(const TFileIdentity&) const = default;
    };
    struct TFormatFound {
        bool Valid = false;
        TWavType WavType = wtUnsupported;
        TWaveHeader Header;
        int BPS = 0, SR = 0, Ch = 0;
        std::int64_t TotalSamples = 0, Size = 0, StreamSize = 0;
    };

    void ReadHeader();
    TFileIdentity IdentityOfOwnFile() const;
    void KeepFormat(const TFileIdentity& identity);
    void TakeKeptFormat();
    void ScanStream();
    void TakeFormat();
    // Layer 3 data: a decoder from the start of the payload, and its next piece decoded.
    void StartLayer3();
    void DecodeLayer3Piece();
    std::int64_t MeasureLayer3();
    std::int64_t ReadLayer3();
    void PositionAtData();
    // Data bytes present in the file from DataOffset: the declared size unless it cannot be true.
    std::int64_t DataBytesPresent() const;
    std::int64_t SamplesPresent(std::uint32_t factSamples, int samplesPerBlock) const;
    bool Refill();
    std::int64_t ReadPcm();
    std::int64_t DecodeNextBlock();
    void Restart();
    void ReleaseStreams();

    std::vector<std::uint8_t> Buffer;
    std::vector<std::uint8_t> Block;
    TWavType WavType = wtUnsupported;
    TWaveHeader Header;
    std::int64_t DataOffset = 0;
    std::int64_t StreamSize = 0;
    std::unique_ptr<QFile> OwnFile;
    TFileIdentity KeptFor;
    TFormatFound Kept;
    std::unique_ptr<TLayer3Decoder> Layer3;
    QByteArray Layer3Pcm; // decoded, from Layer3Taken on not handed out yet
    qsizetype Layer3Taken = 0;
    std::int64_t PayloadLeft = 0;
};

// The audio of a whole WAV image held in memory, in any format the reader decodes, as PCM with its
// format; no samples when the image decodes to none. The sound events play their files through it.
plat::DecodedSound DecodeWaveImage(const QByteArray& image);

// Writes the PCM of its input to a RIFF WAVE file, as plain PCM or encoded as IMA ADPCM, replacing the
// file or appending to it. The header always ends up describing what was written.
class TWaveOut : public TACSFileOut {
public:
    explicit TWaveOut(QObject* Owner = nullptr);
    ~TWaveOut() override;

    TWavType GetWavType() const { return WavType; }
    void SetWavType(TWavType Value);
    int GetBlockSize() const { return BlockSize; }
    void SetBlockSize(int Value);
    void SetFileMode(TFileOutputMode Value) override;

protected:
    void Prepare() override;
    bool DoOutput(bool Abort) override;
    void Done() override;

private:
    // What the append scan learns from the file the data go after.
    struct TAppendInfo {
        TWavType Type = wtUnsupported;
        int SR = 0, Ch = 0, BPS = 0, BlockAlign = 0;
        std::int64_t FactValueOffset = -1;
        std::int64_t DataSizeOffset = 0;
        std::int64_t HeaderLength = 0;
        std::int64_t AppendAt = 0;
    };

    void OpenTarget();
    void StartRun();
    TAppendInfo ScanForAppend();
    void StartPcm(const TAppendInfo* Existing);
    void StartIma(const TAppendInfo* Existing);
    void RefuseOversizedInput(TACSInput& input) const;
    void RewindTarget();
    void Write(const void* Data, std::int64_t Count);
    void WritePending();
    void WriteAt(std::int64_t Offset, std::uint32_t Value);
    void PatchHeader();
    bool CloseTarget(); // false when closing failed
    bool WriteImaBlock();
    TACSInput& RequireInput() const;

    bool EndOfInput = false;
    std::vector<std::uint8_t> Transfer;
    std::vector<char> Pending; // written, not yet handed to the stream
    TWavType WavType = wtPCM;
    int BlockSize = 512;
    std::array<TImaEncoderChannel, 2> Encoder{};
    std::unique_ptr<QFile> OwnFile;
    // Where the header's fields live in the file being written, and where its data end.
    std::int64_t HeaderLength = 0;
    std::int64_t WriteEnd = 0;
    std::int64_t DataSizeOffset = 0;
    std::int64_t FactValueOffset = -1;
    int Channels = 0;
    // Blocks the file held before this run, and input frames encoded in this run.
    std::int64_t BlocksBefore = 0;
    std::int64_t FramesEncoded = 0;
};
