#pragma once

#include "quorvane/tag/tag_sink.h"

#include <cstddef>
#include <cstring>
#include <memory>
#include <string_view>

namespace quorvane::tag {

// Collects the table text in one block and hands it to a sink when the block
// is full, so the many short pieces of a table cost a copy each rather than a
// call through the sink. Writers ask for room, write into it and say how much
// they used.
class TextBuffer final {
public:
    explicit TextBuffer(TagSink& target, std::size_t capacity = std::size_t{256} << 10);

    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // At least `size` writable bytes, valid until the next call.
    char* Room(std::size_t size) {
        if (size > m_capacity - m_used) {
            MakeRoom(size);
        }
        return m_data.get() + m_used;
    }
    void Advance(std::size_t used) { m_used += used; }
    // Writable bytes after what is collected, as many as Room gave at least.
    std::size_t Free() const { return m_capacity - m_used; }

    void Append(std::string_view text) {
        std::memcpy(Room(text.size()), text.data(), text.size());
        m_used += text.size();
    }

    // Hands what is collected to the target.
    void Flush();

private:
    void MakeRoom(std::size_t size);

    TagSink& m_target;
    std::size_t m_capacity;
    std::unique_ptr<char[]> m_data;
    std::size_t m_used = 0;
};

} // namespace quorvane::tag
