#pragma once

#include "quorvane/tag/string_sink.h"
#include "quorvane/tag/table_builder.h"
#include "quorvane/tag/tag_error.h"

#include <algorithm>
#include <cstring>
#include <string>

namespace quorvane::test {

// Bytes held in memory, handed out at most `piece` at a time; with `fail`,
// every read after the last byte throws ReadFailed, as a device error would.
class MemorySource final : public tag::ByteSource {
public:
    explicit MemorySource(std::string bytes, std::size_t piece = SIZE_MAX, bool fail = false)
        : m_bytes(std::move(bytes))
        , m_piece(piece)
        , m_fail(fail) {}

    std::size_t Read(unsigned char* into, std::size_t size) override {
        if (m_fail && m_offset == m_bytes.size()) {
            throw tag::TagError(tag::ErrorCode::ReadFailed, "injected read failure");
        }
        const std::size_t n = std::min({size, m_piece, m_bytes.size() - m_offset});
        std::memcpy(into, m_bytes.data() + m_offset, n);
        m_offset += n;
        return n;
    }

private:
    std::string m_bytes;
    std::size_t m_piece, m_offset = 0;
    bool m_fail;
};

// The table text `reader` and Build make of `source`, and "#code" after what
// was built when they failed.
inline std::string BuildText(tag::FieldReader& reader, tag::ByteSource& source,
                             const tag::TableOptions& options) {
    std::string text = "<table>", failure;
    tag::StringSink sink(text);
    tag::TextBuffer out(sink);
    try {
        reader.Open(source);
        tag::Build(reader, options, out);
    } catch (const tag::TagError& error) {
        failure = "#" + std::to_string(static_cast<int>(error.code()));
    }
    out.Flush();
    return text + failure;
}

} // namespace quorvane::test
