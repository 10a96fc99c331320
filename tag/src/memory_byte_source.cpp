#include "quorvane/tag/memory_byte_source.h"

#include <algorithm>
#include <cstring>

namespace quorvane::tag {

MemoryByteSource::MemoryByteSource(std::string bytes, std::size_t pieceSize)
    : m_bytes(std::move(bytes))
    , m_pieceSize(std::max<std::size_t>(pieceSize, 1)) {}

std::size_t MemoryByteSource::Read(unsigned char* into, std::size_t size) {
    const std::size_t n = std::min({size, m_pieceSize, m_bytes.size() - m_offset});
    std::memcpy(into, m_bytes.data() + m_offset, n);
    m_offset += n;
    return n;
}

} // namespace quorvane::tag
