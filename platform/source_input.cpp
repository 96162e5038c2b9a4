#include "platform/source_input.h"

#include "platform/regular_file.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <cerrno>
#include <cstring>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr int BufferSize = 32768;

// An ID3v2 tag at the start (a cover picture may make it megabytes long) is the file's own and no
// stretch without audio: its size as declared, header and footer included; 0 without one.
std::int64_t LeadingTagBytes(int descriptor)
{
    unsigned char header[10];
    if (::pread(descriptor, header, sizeof header, 0) != sizeof header ||
        std::memcmp(header, "ID3", 3) != 0 || header[3] == 0xFF || header[4] == 0xFF)
        return 0;
    std::int64_t size = 0;
    for (int i = 6; i < 10; ++i) {
        if (header[i] & 0x80)
            return 0; // not a size of 7-bit bytes: no tag
        size = size << 7 | header[i];
    }
    constexpr unsigned char FooterFlag = 0x10;
    return sizeof header + size + (header[5] & FooterFlag ? sizeof header : 0);
}

} // namespace

SourceInput::~SourceInput()
{
    if (context_) {
        av_freep(&context_->buffer);
        avio_context_free(&context_);
    }
    if (descriptor_ >= 0)
        ::close(descriptor_);
}

bool SourceInput::Open(const QString& fileName, QString& error)
{
    openingEnd_ = std::chrono::steady_clock::now() + MaxOpeningTime;
    descriptor_ = OpenRegularFile(fileName);
    if (descriptor_ < 0) {
        error = IsRegularFile(fileName) ? QStringLiteral("Cannot open the file")
                                        : QStringLiteral("Not a regular file");
        return false;
    }
    sincePacket_ = -LeadingTagBytes(descriptor_);
    auto* buffer = static_cast<std::uint8_t*>(av_malloc(BufferSize));
    if (buffer)
        context_ = avio_alloc_context(buffer, BufferSize, 0, this, Read, nullptr, Seek);
    if (!context_) {
        av_free(buffer);
        error = QStringLiteral("Out of memory");
        return false;
    }
    return true;
}

bool SourceInput::WithinBounds() const
{
    return sincePacket_ < MaxBytesWithoutPacket &&
           (!opening_ || std::chrono::steady_clock::now() < openingEnd_);
}

int SourceInput::Read(void* opaque, std::uint8_t* buffer, int size)
{
    auto& input = *static_cast<SourceInput*>(opaque);
    if (!input.WithinBounds())
        return AVERROR_INVALIDDATA;
    ssize_t count;
    do
        count = ::read(input.descriptor_, buffer, static_cast<std::size_t>(size));
    while (count < 0 && errno == EINTR);
    if (count < 0)
        return AVERROR(errno);
    if (count == 0)
        return AVERROR_EOF;
    input.sincePacket_ += count;
    return static_cast<int>(count);
}

std::int64_t SourceInput::Seek(void* opaque, std::int64_t offset, int whence)
{
    const auto& input = *static_cast<const SourceInput*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE) {
        struct stat status {};
        return ::fstat(input.descriptor_, &status) == 0 ? std::int64_t(status.st_size) : AVERROR(errno);
    }
    const off_t position = ::lseek(input.descriptor_, offset, whence);
    return position < 0 ? AVERROR(errno) : std::int64_t(position);
}

} // namespace plat
