#pragma once

#include <QBuffer>
#include <QByteArray>

#include <array>
#include <cstdint>
#include <memory>

// A wave format record laid out as the classic WAVEFORMATEX: tag, channels, rate, byte rate, block align,
// bits per sample, extra size and extra bytes, little-endian, 129 bytes in all.
struct TWaveFormatRecord {
    static constexpr int RecordSize = 129;
    std::array<std::uint8_t, RecordSize> Bytes{};

    std::uint16_t FormatTag() const { return Get16(0); }
    std::uint16_t Channels() const { return Get16(2); }
    std::uint32_t SampleRate() const { return Get32(4); }
    std::uint16_t BlockAlign() const { return Get16(12); }
    std::uint16_t BitsPerSample() const { return Get16(14); }
    std::uint16_t ExtraSize() const { return Get16(16); }
    void SetFormatTag(std::uint16_t tag) { Set16(0, tag); }

    std::uint16_t Get16(int offset) const;
    std::uint32_t Get32(int offset) const;
    void Set16(int offset, std::uint16_t value);
    void Set32(int offset, std::uint32_t value);
};

// Decodes MPEG Layer 3 data handed in pieces to interleaved 16-bit PCM in the given layout and rate;
// frames that do not decode are skipped, as a player would. It keeps nothing of what it hands out, so
// a payload decodes in pieces within the memory of a piece.
class TLayer3Decoder {
public:
    TLayer3Decoder(int channels, int sampleRate);
    ~TLayer3Decoder();
    TLayer3Decoder(const TLayer3Decoder&) = delete;
    TLayer3Decoder& operator=(const TLayer3Decoder&) = delete;

    // 0 when ready, else an error code.
    int Open();
    // Appends to pcm what the piece decodes to; an empty piece drains what is left. 0 or an error code.
    int Feed(const QByteArray& piece, QByteArray& pcm);

private:
    class Impl;
    std::unique_ptr<Impl> impl_;
};

// An in-memory WAVE image whose content is the audio data alone. The reader loads a file holding
// MPEG Layer 3 data (format tag 0x0055) into it, has it converted to 16-bit PCM in one call and reads
// the PCM image it saves. The conversion runs through libavcodec's MP3 parser and decoder.
class TWaveConverter : public QBuffer {
public:
    TWaveFormatRecord SourceFormat;
    TWaveFormatRecord DestFormat;

    TWaveConverter();

    // Reads a RIFF WAVE file from source's position: "fmt " into SourceFormat, "data" into the content.
    void LoadFromStream(QIODevice& source);
    // Fills DestFormat with the PCM format (its tag already set to 1) the content converts to best.
    // 0 on success, else an error code.
    int SuggestFormat();
    // Converts the whole content from SourceFormat to DestFormat; 0 on success, else an error code.
    int Convert();
    // Writes the content as a 44-byte-header PCM WAVE image into dest, which starts empty.
    void SaveToStream(QIODevice& dest);

private:
    void ReplaceContent(const QByteArray& content);
};
