#pragma once

#include "quorvane/tag/byte_source.h"

#include <string>
#include <string_view>

// Bytes held in memory. `pieceSize` limits how much one Read returns, so
// tests can make every byte arrive on its own.
namespace quorvane::tag {

class MemoryByteSource final : public ByteSource {
public:
    explicit MemoryByteSource(std::string bytes, std::size_t pieceSize = SIZE_MAX);

    std::size_t Read(unsigned char* into, std::size_t size) override;

private:
    std::string m_bytes;
    std::size_t m_pieceSize;
    std::size_t m_offset = 0;
};

} // namespace quorvane::tag
