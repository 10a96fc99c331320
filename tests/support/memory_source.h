#pragma once

#include "byte_source.h"
#include "quorvane/tag/tag_error.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

namespace quorvane::test {

// Bytes held in memory, handed out in reads of the sizes in `pieces`, the
// last size repeated; with `fail`, every read after the last byte throws
// ReadFailed, as a device error would.
class MemorySource final : public tag::ByteSource {
public:
    explicit MemorySource(std::string bytes, std::vector<std::size_t> pieces = {SIZE_MAX},
                          bool fail = false)
        : m_bytes(std::move(bytes))
        , m_pieces(std::move(pieces))
        , m_fail(fail) {}

    std::size_t Read(unsigned char* into, std::size_t size) override {
        if (m_fail && m_offset == m_bytes.size()) {
            throw tag::TagError(tag::ErrorCode::ReadFailed, "injected read failure");
        }
        const std::size_t piece = m_pieces[std::min(m_read++, m_pieces.size() - 1)];
        const std::size_t n = std::min({size, piece, m_bytes.size() - m_offset});
        std::memcpy(into, m_bytes.data() + m_offset, n);
        m_offset += n;
        return n;
    }

    std::uint64_t SizeHint() const override { return m_bytes.size(); }

private:
    std::string m_bytes;
    std::vector<std::size_t> m_pieces;
    std::size_t m_offset = 0, m_read = 0;
    bool m_fail;
};

} // namespace quorvane::test
