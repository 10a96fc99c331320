#pragma once

#include "quorvane/tag/byte_source.h"
#include "quorvane/tag/tag_error.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <string>

// Bytes held in memory, handed out at most `piece` at a time; with `fail`,
// every read after the last byte throws ReadFailed, as a device error would.
namespace quorvane::test {

class MemorySource final : public tag::ByteSource {
public:
    explicit MemorySource(std::string bytes, std::size_t piece = SIZE_MAX, bool fail = false)
        : m_bytes(std::move(bytes))
        , m_piece(piece)
        , m_fail(fail) {}

    std::size_t Read(unsigned char* into, std::size_t size) override {
        if (m_fail && m_offset == m_bytes.size()) {
            throw tag::TagError(tag::ErrorCode::ReadFailed, "injected read failure");
        }
        const std::size_t n = std::min({size, m_piece, m_bytes.size() - m_offset});
        std::memcpy(into, m_bytes.data() + m_offset, n);
        m_offset += n;
        return n;
    }

private:
    std::string m_bytes;
    std::size_t m_piece;
    bool m_fail;
    std::size_t m_offset = 0;
};

} // namespace quorvane::test
