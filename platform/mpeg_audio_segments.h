#pragma once

#include <memory>

struct AVCodec;
struct AVFormatContext;
struct AVFrame;

namespace plat {

class SourceInput;

// A frame that does not decode is skipped; this many in a row, with no packet in between, is a fault.
inline constexpr int MaxDecodeErrorsInARow = 64;

// Decodes an MP3 stream on every usable core, handing out its frames in order. The floating-point
// decoder remembers only the last few hundred bytes and samples, so a segment decoded by a decoder of
// its own, started on the packets just before it, gives exactly the frames one decoder gives over the
// whole stream.
class MpegAudioSegments {
public:
    // Whether the stream can be decoded in segments: MP3, by a decoder that holds no frame back.
    static bool Suits(const AVFormatContext& format, int stream, const AVCodec& decoder);

    // Reads the stream from where the container stands, on a thread of its own (until it is destroyed,
    // nothing else may use the container or its input), and decodes it on `decoders` threads.
    MpegAudioSegments(AVFormatContext& format, int stream, const AVCodec& decoder, int decoders,
                      SourceInput& input);
    ~MpegAudioSegments();
    MpegAudioSegments(const MpegAudioSegments&) = delete;
    MpegAudioSegments& operator=(const MpegAudioSegments&) = delete;

    enum class TNext { Frame, End, Failed };
    // The next frame, moved into frame. Failed comes after the frames decoded before the fault: a read
    // error, or a decoder that gave up.
    TNext Next(AVFrame& frame);

private:
    struct State;
    std::unique_ptr<State> state_;
};

} // namespace plat
