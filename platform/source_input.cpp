#include "platform/source_input.h"

#include "platform/regular_file.h"

extern "C" {
#include <libavformat/avio.h>
#include <libavutil/error.h>
#include <libavutil/mem.h>
}

#include <algorithm>
#include <cerrno>
#include <sys/stat.h>
#include <unistd.h>

namespace plat {

namespace {

constexpr int BufferSize = 32768;
// A demuxer may ask for a whole picture, or what a damaged file claims to be one, at once: the bounds are
// checked at least this often.
constexpr std::int64_t MostBytesPerRead = 1 << 20;

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
    struct stat status {};
    if (descriptor_ < 0 || ::fstat(descriptor_, &status) != 0) {
        error = IsRegularFile(fileName) ? QStringLiteral("Cannot open the file")
                                        : QStringLiteral("Not a regular file");
        return false;
    }
    metadata_ = FindDeclaredMetadata(descriptor_, status.st_size);
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
    const std::int64_t left = input.metadata_.ContentEnd - input.position_;
    if (left <= 0)
        return AVERROR_EOF;
    const auto wanted = static_cast<std::size_t>(std::min({std::int64_t(size), left, MostBytesPerRead}));
    ssize_t count;
    do
        count = ::read(input.descriptor_, buffer, wanted);
    while (count < 0 && errno == EINTR);
    if (count < 0)
        return AVERROR(errno);
    if (count == 0)
        return AVERROR_EOF;
    input.sincePacket_ +=
        count - BytesWithin(input.metadata_.Within, input.position_, input.position_ + count);
    input.position_ += count;
    return static_cast<int>(count);
}

std::int64_t SourceInput::Seek(void* opaque, std::int64_t offset, int whence)
{
    auto& input = *static_cast<SourceInput*>(opaque);
    whence &= ~AVSEEK_FORCE;
    if (whence == AVSEEK_SIZE)
        return input.metadata_.ContentEnd;
    if (whence == SEEK_END) {
        offset += input.metadata_.ContentEnd;
        whence = SEEK_SET;
    }
    const off_t position = ::lseek(input.descriptor_, offset, whence);
    if (position < 0)
        return AVERROR(errno);
    input.position_ = position;
    return position;
}

} // namespace plat
