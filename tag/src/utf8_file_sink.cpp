#include "quorvane/tag/utf8_file_sink.h"

#include "quorvane/tag/tag_error.h"
#include "utf8_encode.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace quorvane::tag {
namespace {

constexpr std::size_t kCapacity = 1 << 20;
// Room for the longest encoding of one code point.
constexpr std::size_t kReserve = 8;

} // namespace

Utf8FileSink::Utf8FileSink(OutputFile& file)
    : m_file(file)
    , m_buffer(std::make_unique<char[]>(kCapacity)) {}

void Utf8FileSink::Append(std::u16string_view text) {
    const char16_t* p = text.data();
    const char16_t* const end = p + text.size();
    while (p < end) {
        if (m_used + kReserve >= kCapacity) {
            Drain();
        }
        if (m_highSurrogate != 0) {
            PutUnit(*p++);
        } else {
            p = Encode(p, end);
        }
    }
}

// ASCII and UTF-8 go into the buffer as they are. A pending high surrogate
// must meet the next unit first, so then the text takes the decoding way
// round.
void Utf8FileSink::AppendAscii(std::string_view text) {
    if (m_highSurrogate != 0) {
        TagSink::AppendAscii(text);
    } else {
        CopyBytes(text);
    }
}

void Utf8FileSink::AppendUtf8(std::string_view text) {
    if (m_highSurrogate != 0) {
        TagSink::AppendUtf8(text);
    } else {
        CopyBytes(text);
    }
}

void Utf8FileSink::CopyBytes(std::string_view text) {
    while (!text.empty()) {
        if (m_used == kCapacity) {
            Drain();
        }
        const std::size_t n = std::min(text.size(), kCapacity - m_used);
        std::memcpy(m_buffer.get() + m_used, text.data(), n);
        m_used += n;
        text.remove_prefix(n);
    }
}

// Encodes units from `p` until the text ends, the buffer is nearly full or a
// surrogate has been handed to PutUnit; returns where it stopped.
const char16_t* Utf8FileSink::Encode(const char16_t* p, const char16_t* end) {
    char* out = m_buffer.get() + m_used;
    p = EncodeUtf8(p, end, out, m_buffer.get() + kCapacity - kReserve);
    m_used = static_cast<std::size_t>(out - m_buffer.get());
    if (p < end && IsSurrogate(*p) && m_used + kReserve < kCapacity) {
        PutUnit(*p++);
    }
    return p;
}

void Utf8FileSink::PutUnit(char16_t c) {
    if (m_highSurrogate != 0) {
        const char16_t high = m_highSurrogate;
        m_highSurrogate = 0;
        if (c >= 0xDC00 && c <= 0xDFFF) {
            Put(0x10000 + ((high - 0xD800) << 10) + (c - 0xDC00));
            return;
        }
        Put(0xFFFD);
        if (m_used + kReserve >= kCapacity) {
            Drain();
        }
    }
    if (c >= 0xD800 && c <= 0xDBFF) {
        m_highSurrogate = c;
    } else if (c >= 0xDC00 && c <= 0xDFFF) {
        Put(0xFFFD);
    } else {
        Put(c);
    }
}

void Utf8FileSink::Put(char32_t c) {
    char* out = m_buffer.get() + m_used;
    if (c < 0x80) {
        *out++ = static_cast<char>(c);
    } else if (c < 0x800) {
        *out++ = static_cast<char>(0xC0 | (c >> 6));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else if (c < 0x10000) {
        *out++ = static_cast<char>(0xE0 | (c >> 12));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    } else {
        *out++ = static_cast<char>(0xF0 | (c >> 18));
        *out++ = static_cast<char>(0x80 | ((c >> 12) & 0x3F));
        *out++ = static_cast<char>(0x80 | ((c >> 6) & 0x3F));
        *out++ = static_cast<char>(0x80 | (c & 0x3F));
    }
    m_used = static_cast<std::size_t>(out - m_buffer.get());
}

void Utf8FileSink::Flush() {
    if (m_highSurrogate != 0) {
        m_highSurrogate = 0;
        if (m_used + kReserve >= kCapacity) {
            Drain();
        }
        Put(0xFFFD);
    }
    Drain();
}

void Utf8FileSink::Drain() {
    m_file.Write({m_buffer.get(), m_used});
    m_used = 0;
}

} // namespace quorvane::tag
