#pragma once

// Plain C++ with no Qt: the multiplexer program skips these tags as the program's decoder does.

#include <cstdint>
#include <cstring>

namespace plat {

inline constexpr int kId3v2HeaderBytes = 10;

// The whole size of the ID3v2 tag whose header ("ID3") or footer ("3DI", as identifier) is the
// kId3v2HeaderBytes at bytes, header and footer included; 0 when they are none.
inline std::int64_t Id3v2TagBytes(const unsigned char* bytes, const char* identifier = "ID3")
{
    if (!bytes || std::memcmp(bytes, identifier, 3) != 0 || bytes[3] == 0xFF || bytes[4] == 0xFF)
        return 0;
    std::int64_t size = 0;
    for (int i = 6; i < kId3v2HeaderBytes; ++i) {
        if (bytes[i] & 0x80)
            return 0; // not a size of 7-bit bytes: no tag
        size = size << 7 | bytes[i];
    }
    constexpr unsigned char FooterFlag = 0x10;
    return kId3v2HeaderBytes + size + (bytes[5] & FooterFlag ? kId3v2HeaderBytes : 0);
}

} // namespace plat
