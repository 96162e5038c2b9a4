#pragma once

#include <QString>
#include <QStringList>

#include <cstdint>
#include <memory>

// Decoding of every compressed source format (MP1, MP2, MP3, Ogg Vorbis, WMA, WAV, ...) through FFmpeg.
namespace plat {

struct AudioDecoderOptions {
    int OutRate = 0;     // 0: the source's own sampling frequency
    int OutChannels = 0; // 0: 1 for a mono source, else 2 (more channels are mixed down)
    // MP3 read from start to end is decoded on every usable core; a seek goes back to one.
    bool AllCores = false;
};

// One open source, handing out interleaved signed 16-bit samples. Positions and lengths are bytes of
// that output.
class AudioDecoder {
public:
    // Null, with the reason in error, when the file cannot be opened as audio: it is not a regular file
    // (nothing else is opened), its opening goes past the source's bounds (see SourceInput), or its
    // sampling frequency is above 384000 Hz.
    static std::unique_ptr<AudioDecoder> Open(const QString& fileName, const AudioDecoderOptions& options,
                                              QString& error);
    ~AudioDecoder();
    AudioDecoder(const AudioDecoder&) = delete;
    AudioDecoder& operator=(const AudioDecoder&) = delete;

    int SampleRate() const;
    int Channels() const; // 1 or 2
    int FrameBytes() const { return 2 * Channels(); }

    // Whole frames, at most maxBytes of them: the number of bytes given; 0 at the end (or when maxBytes
    // holds no whole frame); -1 after a read error (a stretch of the file past the source's bounds
    // counts as one), or at the end when no sample came out. Isolated packets that do not decode are
    // skipped.
    std::int64_t Read(void* buffer, std::int64_t maxBytes);
    // False once the end was handed out or a read failed.
    bool Active() const;

    std::int64_t PositionBytes() const;
    // From the duration the file declares; else estimated from how far into the file decoding is;
    // -1 only when neither is known.
    std::int64_t LengthBytes() const;
    bool SeekSeconds(double seconds);

    double BytesToSeconds(std::int64_t bytes) const;
    std::int64_t SecondsToBytes(double seconds) const; // whole frames

private:
    struct State;
    explicit AudioDecoder(std::unique_ptr<State> state);
    std::unique_ptr<State> state_;
};

// The FFmpeg libraries found at run time: their major versions and the needed decoders they lack.
struct DecoderLibraries {
    unsigned AvFormatMajor = 0;
    unsigned AvCodecMajor = 0;
    unsigned SwResampleMajor = 0;
    QStringList MissingDecoders;
};
DecoderLibraries LoadedDecoderLibraries();

// Empty when the libraries are those the program was built with and can decode MP1, MP2, MP3, Vorbis,
// WMA 1 and WMA 2; else the text to show before the program stops.
QString CheckDecoderLibraries(const DecoderLibraries& loaded);
QString CheckDecoderLibraries();

} // namespace plat
