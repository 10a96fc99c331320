#pragma once

#include "quorvane/tag/byte_source.h"
#include "quorvane/tag/tag_error.h"

#include <algorithm>
#include <cstring>
#include <string>

// Hands out the first bytes it was given, at most `piece` at a time, then
// fails every read with ErrorCode::ReadFailed: a device error part-way.
namespace quorvane::fuzz {

class FailingSource final : public tag::ByteSource {
public:
    FailingSource(std::string good, std::size_t piece)
        : m_good(std::move(good))
        , m_piece(piece) {}

    std::size_t Read(unsigned char* into, std::size_t size) override {
        if (m_offset == m_good.size()) {
            throw tag::TagError(tag::ErrorCode::ReadFailed, "injected read failure");
        }
        const std::size_t n = std::min({size, m_piece, m_good.size() - m_offset});
        std::memcpy(into, m_good.data() + m_offset, n);
        m_offset += n;
        return n;
    }

private:
    std::string m_good;
    std::size_t m_piece;
    std::size_t m_offset = 0;
};

} // namespace quorvane::fuzz
