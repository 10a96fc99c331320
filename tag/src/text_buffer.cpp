#include "text_buffer.h"

namespace quorvane::tag {

TextBuffer::TextBuffer(TagSink& target, std::size_t capacity)
    : m_target(target)
    , m_capacity(capacity)
    , m_data(std::make_unique_for_overwrite<char[]>(capacity)) {}

void TextBuffer::Flush() {
    const std::size_t used = m_used;
    m_used = 0;
    if (used > 0) {
        m_target.AppendBlock(m_data, used, m_capacity);
    }
}

// A piece larger than the block gets a block of its own size.
void TextBuffer::MakeRoom(std::size_t size) {
    Flush();
    if (size > m_capacity) {
        m_data = std::make_unique_for_overwrite<char[]>(size);
        m_capacity = size;
    }
}

} // namespace quorvane::tag
