#pragma once

#include "byte_source.h"

#include <cstddef>
#include <string>
#include <vector>

namespace quorvane::tag {

// UTF-16 bytes from another source handed out as UTF-8, so that the reader
// scans them like any UTF-8 file. Unpaired surrogates, and an odd byte at
// the end, become U+FFFD.
class Utf16Source final : public ByteSource {
public:
    // `start` holds bytes already taken from `inner` (after any byte order
    // mark); `innerEnded` says `inner` has nothing more.
    Utf16Source(ByteSource& inner, bool bigEndian, const unsigned char* start, std::size_t size,
                bool innerEnded);

    std::size_t Read(unsigned char* into, std::size_t size) override;

private:
    bool Fill();
    void Transcode(std::size_t units);
    void Put(char32_t c);

    ByteSource& m_inner;
    bool m_bigEndian;
    bool m_innerEnded;
    // UTF-16 bytes not yet transcoded.
    std::vector<unsigned char> m_in;
    std::size_t m_inSize = 0;
    // UTF-8 not yet handed out, from m_outPos on.
    std::string m_out;
    std::size_t m_outPos = 0;
    // A high surrogate waiting for its low half.
    char16_t m_high = 0;
};

} // namespace quorvane::tag
