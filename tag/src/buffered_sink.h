#pragma once

#include "ascii_run.h"
#include "quorvane/tag/tag_sink.h"

#include <memory>

// Collects small pieces and hands them on to another sink in large blocks, so
// the builder's many short appends cost a copy each, not a call through the
// sink interface.
//
// It collects ASCII as bytes, which the target can take as they are, until a
// piece with other characters arrives; from then on, up to the next block,
// it collects UTF-16. Mostly ASCII tables so stay bytes all the way, mostly
// Japanese ones are not switched back and forth at every field.
namespace quorvane::tag {

class BufferedSink final : public TagSink {
public:
    explicit BufferedSink(TagSink& target)
        : m_target(target)
        , m_bytes(std::make_unique<char[]>(kCapacity))
        , m_wide(std::make_unique<char16_t[]>(kCapacity)) {}

    void AppendAscii(std::string_view text) override {
        if (text.size() > kCapacity - m_used) {
            Flush();
            if (text.size() > kCapacity) {
                m_target.AppendAscii(text);
                return;
            }
        }
        if (m_utf16) {
            WidenBytes(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                       m_wide.get() + m_used);
        } else {
            std::memcpy(m_bytes.get() + m_used, text.data(), text.size());
        }
        m_used += text.size();
    }

    void Append(std::u16string_view text) override {
        if (text.size() > kCapacity - m_used) {
            Flush();
            if (text.size() > kCapacity) {
                m_target.Append(text);
                return;
            }
        }
        if (!m_utf16) {
            const std::size_t ascii =
                NarrowAsciiPrefix(text.data(), text.size(), m_bytes.get() + m_used);
            m_used += ascii;
            if (ascii == text.size()) {
                return;
            }
            text.remove_prefix(ascii);
            SwitchToUtf16();
        }
        std::memcpy(m_wide.get() + m_used, text.data(), text.size() * sizeof(char16_t));
        m_used += text.size();
    }

    void Flush() {
        const std::size_t used = m_used;
        const bool utf16 = m_utf16;
        m_used = 0;
        m_utf16 = false;
        if (used == 0) {
            return;
        }
        if (utf16) {
            m_target.Append({m_wide.get(), used});
        } else {
            m_target.AppendAscii({m_bytes.get(), used});
        }
    }

private:
    static constexpr std::size_t kCapacity = 64 << 10;

    void SwitchToUtf16() {
        if (m_used > 0) {
            m_target.AppendAscii({m_bytes.get(), m_used});
            m_used = 0;
        }
        m_utf16 = true;
    }

    TagSink& m_target;
    std::unique_ptr<char[]> m_bytes;
    std::unique_ptr<char16_t[]> m_wide;
    std::size_t m_used = 0;
    bool m_utf16 = false;
};

} // namespace quorvane::tag
