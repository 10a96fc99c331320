#pragma once

#include "ascii_run.h"
#include "quorvane/tag/tag_sink.h"
#include "utf8_encode.h"

#include <memory>

// Collects small pieces and hands them on to another sink in large blocks, so
// the builder's many short appends cost a copy each, not a call through the
// sink interface.
//
// For a target that stores UTF-8 it collects UTF-8, so that the tags are
// never widened. For any other it collects ASCII as bytes, which the target
// takes as they are, until a piece with other characters arrives; from then
// on, up to the next block, it collects UTF-16: mostly ASCII tables stay
// bytes all the way, mostly Japanese ones are not switched back and forth at
// every field.
namespace quorvane::tag {

class BufferedSink final : public TagSink {
public:
    explicit BufferedSink(TagSink& target)
        : m_target(target)
        , m_utf8(target.TakesUtf8())
        , m_bytes(std::make_unique<char[]>(kCapacity))
        , m_wide(std::make_unique<char16_t[]>(kCapacity)) {}

    void AppendAscii(std::string_view text) override {
        if (!MakeRoom(text.size())) {
            m_target.AppendAscii(text);
        } else if (m_utf16) {
            WidenBytes(reinterpret_cast<const unsigned char*>(text.data()), text.size(),
                       m_wide.get() + m_used);
            m_used += text.size();
        } else {
            CopySmall(m_bytes.get() + m_used, text.data(), text.size());
            m_used += text.size();
        }
    }

    // Only a target that stores UTF-8 is given UTF-8; for any other the
    // text is decoded.
    void AppendUtf8(std::string_view text) override {
        if (!m_utf8) {
            TagSink::AppendUtf8(text);
        } else if (!MakeRoom(text.size())) {
            m_target.AppendUtf8(text);
        } else {
            CopySmall(m_bytes.get() + m_used, text.data(), text.size());
            m_used += text.size();
        }
    }

    bool TakesUtf8() const override { return m_utf8; }

    void Append(std::u16string_view text) override {
        if (m_utf8) {
            Encode(text);
            return;
        }
        if (!MakeRoom(text.size())) {
            m_target.Append(text);
            return;
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
        } else if (m_utf8) {
            m_target.AppendUtf8({m_bytes.get(), used});
        } else {
            m_target.AppendAscii({m_bytes.get(), used});
        }
    }

private:
    static constexpr std::size_t kCapacity = 64 << 10;
    // The longest UTF-8 encoding of one unit outside the surrogates.
    static constexpr std::size_t kUnitBytes = 3;

    // Makes room for `size` more units; false when the piece is larger than
    // a block, and goes to the target directly after what is buffered.
    bool MakeRoom(std::size_t size) {
        if (size <= kCapacity - m_used) {
            return true;
        }
        Flush();
        return size <= kCapacity;
    }

    // Encodes into the byte buffer. A surrogate, which may pair with a unit
    // of a later piece, goes to the target in UTF-16 with the rest of the
    // piece, and the target pairs it.
    void Encode(std::u16string_view text) {
        const char16_t* p = text.data();
        const char16_t* const end = p + text.size();
        while (p < end) {
            if (m_used + kUnitBytes > kCapacity) {
                Flush();
            }
            char* out = m_bytes.get() + m_used;
            p = EncodeUtf8(p, end, out, m_bytes.get() + kCapacity - (kUnitBytes - 1));
            m_used = static_cast<std::size_t>(out - m_bytes.get());
            if (p < end && IsSurrogate(*p)) {
                Flush();
                m_target.Append({p, static_cast<std::size_t>(end - p)});
                return;
            }
        }
    }

    void SwitchToUtf16() {
        if (m_used > 0) {
            m_target.AppendAscii({m_bytes.get(), m_used});
            m_used = 0;
        }
        m_utf16 = true;
    }

    TagSink& m_target;
    const bool m_utf8;
    std::unique_ptr<char[]> m_bytes;
    std::unique_ptr<char16_t[]> m_wide;
    std::size_t m_used = 0;
    bool m_utf16 = false;
};

} // namespace quorvane::tag
