#pragma once

#include "quorvane/tag/byte_source.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

// Bytes held in memory, handed out at most `piece` at a time, so that tests
// can make every byte arrive on its own.
namespace quorvane::test {

class MemorySource final : public tag::ByteSource {
public:
    explicit MemorySource(std::string bytes, std::size_t piece = SIZE_MAX)
        : m_bytes(std::move(bytes))
        , m_piece(piece) {}

    std::size_t Read(unsigned char* into, std::size_t size) override {
        const std::size_t n = std::min({size, m_piece, m_bytes.size() - m_offset});
        std::memcpy(into, m_bytes.data() + m_offset, n);
        m_offset += n;
        return n;
    }

private:
    std::string m_bytes;
    std::size_t m_piece;
    std::size_t m_offset = 0;
};

} // namespace quorvane::test
