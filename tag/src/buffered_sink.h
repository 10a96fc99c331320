#pragma once

#include "quorvane/tag/tag_sink.h"

#include <algorithm>
#include <memory>

// Collects small pieces and hands them on to another sink in large blocks, so
// the builder's many short appends cost a copy each, not a call through the
// sink interface.
namespace quorvane::tag {

class BufferedSink final : public TagSink {
public:
    explicit BufferedSink(TagSink& target)
        : m_target(target)
        , m_buffer(std::make_unique<char16_t[]>(kCapacity)) {}

    void Append(std::u16string_view text) override {
        if (text.size() > kCapacity - m_used) {
            Flush();
            if (text.size() > kCapacity) {
                m_target.Append(text);
                return;
            }
        }
        char16_t* out = m_buffer.get() + m_used;
        for (const char16_t c : text) {
            *out++ = c;
        }
        m_used += text.size();
    }

    void Flush() {
        if (m_used > 0) {
            m_target.Append({m_buffer.get(), m_used});
            m_used = 0;
        }
    }

private:
    static constexpr std::size_t kCapacity = 64 << 10;

    TagSink& m_target;
    std::unique_ptr<char16_t[]> m_buffer;
    std::size_t m_used = 0;
};

} // namespace quorvane::tag
