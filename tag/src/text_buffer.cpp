#include "text_buffer.h"

#include "byte_scan.h"

#include <algorithm>

namespace quorvane::tag {
namespace {

// Small enough to stay in the cache beside the reader's work, large enough
// that streaming it out costs little per piece.
constexpr std::size_t kStage = 32 << 10;

} // namespace

TextBuffer::TextBuffer(TagSink& target, std::size_t capacity)
    : m_target(target)
    , m_capacity(capacity)
    , m_data(MakeLarge<char>(capacity))
    , m_stageSize(std::min(kStage, capacity))
    , m_stage(std::make_unique_for_overwrite<char[]>(m_stageSize)) {
    Stage();
}

void TextBuffer::Flush() {
    Settle();
    HandOver();
    Stage();
}

// A piece longer than the stage is written into the block, which is handed
// over first when it lacks the room; one larger than the block gets a
// block of its own size.
char* TextBuffer::MakeRoom(std::size_t size) {
    Settle();
    if (size <= m_stageSize) {
        Stage();
        return m_at;
    }
    if (size > m_capacity - m_used) {
        HandOver();
        if (size > m_capacity) {
            m_data = MakeLarge<char>(size);
            m_capacity = size;
        }
    }
    m_staging = false;
    m_at = m_data.get() + m_used;
    m_end = m_at + size;
    return m_at;
}

void TextBuffer::Settle() {
    if (!m_staging) {
        m_used = static_cast<std::size_t>(m_at - m_data.get());
        return;
    }
    const char* from = m_stage.get();
    while (from < m_at) {
        if (m_used == m_capacity) {
            try {
                HandOver();
            } catch (...) {
                // The target failed with the block: what the stage holds
                // goes with it, for nothing may follow a gap.
                m_at = m_stage.get();
                throw;
            }
        }
        const std::size_t n = std::min(static_cast<std::size_t>(m_at - from), m_capacity - m_used);
        fast::StreamCopy(m_data.get() + m_used, from, n);
        m_used += n;
        from += n;
    }
    m_at = m_stage.get();
}

void TextBuffer::HandOver() {
    const std::size_t used = m_used;
    m_used = 0;
    if (used > 0) {
        fast::StreamFence();
        m_target.AppendBlock(m_data, used, m_capacity);
    }
}

void TextBuffer::Stage() {
    m_staging = true;
    m_at = m_stage.get();
    m_end = m_at + m_stageSize;
}

} // namespace quorvane::tag
