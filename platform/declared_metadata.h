#pragma once

#include <cstdint>
#include <vector>

namespace plat {

// A stretch of a file: its bytes from Begin up to, not including, End.
struct FileRange {
    std::int64_t Begin = 0;
    std::int64_t End = 0;
};

// At most this much of a file is taken for metadata: room for a cover picture of 32 MiB in any container
// (as base64 text in Ogg), while a crafted file still cannot make the demuxer hold much more.
inline constexpr std::int64_t MaxDeclaredMetadata = std::int64_t(64) << 20;

// What a source's container declares besides its audio, cover pictures among it. Only what the file
// really holds counts: a declared size that runs past the end of the file ends the search.
struct DeclaredMetadata {
    // Stretches the demuxer reads as the container's metadata: ID3v2 tags at the start; in RIFF WAVE
    // every chunk but the data; in Ogg the pages up to the end of the first stream's header packets (its
    // comments hold the pictures); in ASF the header object. Sorted, apart, at most MaxDeclaredMetadata
    // bytes in all.
    std::vector<FileRange> Within;
    // Where the content ends: the file's size, less the ID3v1, APE and ID3v2 tags at the end of a file
    // in none of those containers (MPEG audio, which a demuxer reads to the last byte).
    std::int64_t ContentEnd = 0;
};
DeclaredMetadata FindDeclaredMetadata(int descriptor, std::int64_t fileSize);

// How many bytes from begin up to end lie in the sorted, separate ranges.
std::int64_t BytesWithin(const std::vector<FileRange>& ranges, std::int64_t begin, std::int64_t end);

} // namespace plat
