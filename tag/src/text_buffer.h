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
//
// Short pieces are written into a small stage that stays in the cache and
// goes into the block a stage at a time, past the cache (fast::StreamCopy):
// the block is read next on another processor, and lines of it left in this
// one's cache would be fetched from here, and fetched back when the block is
// filled again. A piece longer than the stage is written into the block.
class TextBuffer final {
public:
    explicit TextBuffer(TagSink& target, std::size_t capacity = std::size_t{256} << 10);

    TextBuffer(const TextBuffer&) = delete;
    TextBuffer& operator=(const TextBuffer&) = delete;

    // At least `size` writable bytes, valid until the next call.
    char* Room(std::size_t size) {
        if (size > Free()) {
            return MakeRoom(size);
        }
        return m_at;
    }
    void Advance(std::size_t used) { m_at += used; }
    // Writable bytes after what is collected, as many as Room gave at least.
    std::size_t Free() const { return static_cast<std::size_t>(m_end - m_at); }

    void Append(std::string_view text) {
        std::memcpy(Room(text.size()), text.data(), text.size());
        m_at += text.size();
    }

    // Hands what is collected to the target.
    void Flush();

private:
    char* MakeRoom(std::size_t size);
    // Moves what was written since Room into the block.
    void Settle();
    void HandOver();
    void Stage();

    TagSink& m_target;
    std::size_t m_capacity;
    Block m_data;
    std::size_t m_used = 0;
    std::size_t m_stageSize;
    std::unique_ptr<char[]> m_stage;
    // Where writing goes on, up to m_end: in the stage while m_staging, else
    // in the block.
    bool m_staging = true;
    char* m_at = nullptr;
    char* m_end = nullptr;
};

} // namespace quorvane::tag
