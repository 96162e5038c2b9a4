#include "platform/declared_metadata.h"

#include "platform/id3v2_tag.h"

#include <QtEndian>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace plat {

namespace {

// No walk through a file's structures takes more steps than this, however small they are.
constexpr int MaxStructures = 1 << 16;

// Reads at an offset, never past the end of the file.
class FileBytes {
public:
    FileBytes(int descriptor, std::int64_t size) : descriptor_(descriptor), size_(size) {}
    std::int64_t Size() const { return size_; }

    bool Read(std::int64_t offset, void* buffer, std::int64_t count) const
    {
        if (offset < 0 || count < 0 || count > size_ - offset)
            return false;
        auto* bytes = static_cast<char*>(buffer);
        while (count > 0) {
            const ssize_t got = ::pread(descriptor_, bytes, static_cast<std::size_t>(count), offset);
            if (got < 0 && errno == EINTR)
                continue;
            if (got <= 0)
                return false;
            bytes += got;
            offset += got;
            count -= got;
        }
        return true;
    }

    bool Holds(std::int64_t offset, const void* expected, std::size_t count) const
    {
        char bytes[16];
        return count <= sizeof bytes && Read(offset, bytes, std::int64_t(count)) &&
               std::memcmp(bytes, expected, count) == 0;
    }

private:
    int descriptor_;
    std::int64_t size_;
};

class Found {
public:
    // Takes what the allowance leaves of the range; false once it is spent.
    bool Add(std::int64_t begin, std::int64_t end)
    {
        const std::int64_t length = std::min(end - begin, MaxDeclaredMetadata - total_);
        if (length > 0) {
            ranges_.push_back({begin, begin + length});
            total_ += length;
        }
        return total_ < MaxDeclaredMetadata;
    }

    std::vector<FileRange> SortedAndMerged()
    {
        std::sort(ranges_.begin(), ranges_.end(),
                  [](const FileRange& a, const FileRange& b) { return a.Begin < b.Begin; });
        std::vector<FileRange> merged;
        for (const FileRange& range : ranges_)
            if (!merged.empty() && range.Begin <= merged.back().End)
                merged.back().End = std::max(merged.back().End, range.End);
            else
                merged.push_back(range);
        return merged;
    }

private:
    std::vector<FileRange> ranges_;
    std::int64_t total_ = 0;
};

// The whole size of the ID3v2 tag whose header ("ID3") or footer ("3DI") lies at offset; 0 when none.
std::int64_t Id3v2Size(const FileBytes& file, std::int64_t offset, const char* identifier)
{
    unsigned char header[kId3v2HeaderBytes];
    return file.Read(offset, header, sizeof header) ? Id3v2TagBytes(header, identifier) : 0;
}

// ID3v2 tags one after another at the start; where the content begins.
std::int64_t LeadingTags(const FileBytes& file, Found& found)
{
    std::int64_t offset = 0;
    for (int tag = 0; tag < MaxStructures; ++tag) {
        const std::int64_t size = Id3v2Size(file, offset, "ID3");
        if (size == 0 || size > file.Size() - offset)
            break;
        const bool more = found.Add(offset, offset + size);
        offset += size;
        if (!more)
            break;
    }
    return offset;
}

bool WaveChunks(const FileBytes& file, std::int64_t start, Found& found)
{
    if (!file.Holds(start, "RIFF", 4) || !file.Holds(start + 8, "WAVE", 4))
        return false;
    std::int64_t offset = start + 12;
    for (int chunk = 0; chunk < MaxStructures; ++chunk) {
        unsigned char header[8];
        if (!file.Read(offset, header, sizeof header))
            break;
        const std::int64_t size = qFromLittleEndian<quint32>(header + 4);
        const std::int64_t end = offset + sizeof header + size;
        // A data chunk of no size is one still being written: the rest is its audio.
        const bool data = std::memcmp(header, "data", 4) == 0;
        if (end > file.Size() || (data ? size == 0 : !found.Add(offset, end)))
            break;
        offset = end + (size & 1);
    }
    return true;
}

// The pages up to the one where the first stream's third packet ends: for Vorbis its identification,
// its comments (where the pictures are) and its setup.
bool OggHeaderPages(const FileBytes& file, std::int64_t start, Found& found)
{
    constexpr int PageHeaderBytes = 27;
    constexpr int HeaderPackets = 3;
    constexpr int WholeSegment = 255; // a packet goes on in the next segment
    if (!file.Holds(start, "OggS", 4))
        return false;
    std::int64_t offset = start;
    int packets = 0;
    quint32 firstSerial = 0;
    for (int page = 0; page < MaxStructures && packets < HeaderPackets; ++page) {
        unsigned char header[PageHeaderBytes], lacing[WholeSegment];
        if (!file.Read(offset, header, PageHeaderBytes) || std::memcmp(header, "OggS\0", 5) != 0)
            break;
        const int segments = header[PageHeaderBytes - 1];
        if (!file.Read(offset + PageHeaderBytes, lacing, segments))
            break;
        const quint32 serial = qFromLittleEndian<quint32>(header + 14);
        firstSerial = page == 0 ? serial : firstSerial;
        std::int64_t length = PageHeaderBytes + segments;
        for (int segment = 0; segment < segments; ++segment) {
            length += lacing[segment];
            packets += serial == firstSerial && lacing[segment] < WholeSegment;
        }
        if (length > file.Size() - offset)
            break;
        offset += length;
    }
    found.Add(start, offset);
    return true;
}

bool AsfHeader(const FileBytes& file, std::int64_t start, Found& found)
{
    static constexpr unsigned char HeaderObject[16] = {0x30, 0x26, 0xB2, 0x75, 0x8E, 0x66, 0xCF, 0x11,
                                                       0xA6, 0xD9, 0x00, 0xAA, 0x00, 0x62, 0xCE, 0x6C};
    unsigned char size[8];
    if (!file.Holds(start, HeaderObject, sizeof HeaderObject) || !file.Read(start + 16, size, sizeof size))
        return false;
    const quint64 declared = qFromLittleEndian<quint64>(size);
    if (declared <= quint64(file.Size() - start))
        found.Add(start, start + std::int64_t(declared));
    return true;
}

// The size of the tag that ends at end, no further back than start: ID3v1, APE (with the header its
// footer announces) or ID3v2 with a footer; 0 when there is none.
std::int64_t TagEndingAt(const FileBytes& file, std::int64_t start, std::int64_t end)
{
    constexpr std::int64_t Id3v1Bytes = 128;
    constexpr std::int64_t ApeHeaderBytes = 32;
    constexpr quint32 ApeHasHeader = 0x80000000u;
    if (end - Id3v1Bytes >= start && file.Holds(end - Id3v1Bytes, "TAG", 3))
        return Id3v1Bytes;
    unsigned char footer[ApeHeaderBytes];
    if (file.Read(end - ApeHeaderBytes, footer, ApeHeaderBytes) && std::memcmp(footer, "APETAGEX", 8) == 0) {
        const bool withHeader = qFromLittleEndian<quint32>(footer + 20) & ApeHasHeader;
        // The declared size counts the items and the footer.
        const std::int64_t size = qFromLittleEndian<quint32>(footer + 12) + (withHeader ? ApeHeaderBytes : 0);
        const bool real = end - size >= start && (!withHeader || file.Holds(end - size, "APETAGEX", 8));
        return real ? size : 0;
    }
    const std::int64_t size = Id3v2Size(file, end - kId3v2HeaderBytes, "3DI");
    return size > 0 && end - size >= start && file.Holds(end - size, "ID3", 3) ? size : 0;
}

// Where the tags at the end begin.
std::int64_t TrailingTags(const FileBytes& file, std::int64_t start)
{
    std::int64_t end = file.Size();
    for (int tag = 0; tag < MaxStructures; ++tag) {
        const std::int64_t size = TagEndingAt(file, start, end);
        if (size <= 0)
            break;
        end -= size;
    }
    return end;
}

} // namespace

DeclaredMetadata FindDeclaredMetadata(int descriptor, std::int64_t fileSize)
{
    const FileBytes file(descriptor, fileSize);
    Found found;
    const std::int64_t start = LeadingTags(file, found);
    const bool container =
        WaveChunks(file, start, found) || OggHeaderPages(file, start, found) || AsfHeader(file, start, found);
    return {found.SortedAndMerged(), container ? fileSize : TrailingTags(file, start)};
}

std::int64_t BytesWithin(const std::vector<FileRange>& ranges, std::int64_t begin, std::int64_t end)
{
    auto range = std::upper_bound(ranges.begin(), ranges.end(), begin,
                                  [](std::int64_t offset, const FileRange& r) { return offset < r.End; });
    std::int64_t bytes = 0;
    for (; range != ranges.end() && range->Begin < end; ++range)
        bytes += std::min(end, range->End) - std::max(begin, range->Begin);
    return bytes;
}

} // namespace plat
