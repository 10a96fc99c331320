#pragma once

#include "memory_source.h"
#include "quorvane/tag/field_reader.h"
#include "quorvane/tag/string_sink.h"
#include "quorvane/tag/table_builder.h"
#include "quorvane/tag/tag_error.h"

#include <string>
#include <vector>

namespace quorvane::tag::test {

// Every field of `bytes` as the builder would pull them: AtEnd before each
// field; `pastEnd` tells whether a ReadField failed with input past end.
struct ReadResult final {
    std::vector<std::string> fields;
    bool pastEnd = false;
};

inline ReadResult ReadAll(const std::string& bytes, Encoding encoding = Encoding::Cp932,
                          std::size_t pieceSize = SIZE_MAX, char delimiter = ',') {
    quorvane::test::MemorySource source(bytes, pieceSize);
    FieldReader reader(encoding, delimiter);
    reader.Open(source);
    ReadResult result;
    while (!reader.AtEnd()) {
        try {
            result.fields.push_back(reader.ReadField());
        } catch (const TagError& error) {
            if (error.code() != ErrorCode::InputPastEnd) {
                throw;
            }
            result.pastEnd = true;
            break;
        }
    }
    return result;
}

// The whole table text of `bytes`, read in pieces of `pieceSize`.
inline std::string BuildAll(const std::string& bytes, const TableOptions& options,
                            std::size_t pieceSize = SIZE_MAX) {
    quorvane::test::MemorySource source(bytes, pieceSize);
    FieldReader reader(options.encoding, options.delimiter);
    reader.Open(source);
    std::string text = "<table>";
    StringSink sink(text);
    TextBuffer out(sink);
    Build(reader, options, out);
    out.Flush();
    return text;
}

inline std::string BuildAll(const std::string& bytes, std::int16_t fieldCount,
                            const std::vector<std::string>& styleRows,
                            Encoding encoding = Encoding::Auto, std::size_t pieceSize = SIZE_MAX) {
    return BuildAll(bytes, {.fieldCount = fieldCount, .styleRows = styleRows, .encoding = encoding},
                    pieceSize);
}

} // namespace quorvane::tag::test
