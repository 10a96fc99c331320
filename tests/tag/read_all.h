#pragma once

#include "quorvane/tag/encoding.h"
#include "quorvane/tag/field_reader.h"
#include "quorvane/tag/memory_byte_source.h"
#include "quorvane/tag/tag_error.h"

#include <string>
#include <vector>

namespace quorvane::tag::test {

// Every field of `bytes` as the builder would pull them: AtEnd before each
// field; `pastEnd` tells whether a ReadField failed with input past end.
struct ReadResult final {
    std::vector<std::u16string> fields;
    bool pastEnd = false;
};

inline ReadResult ReadAll(const std::string& bytes, Encoding encoding = Encoding::Cp932,
                          std::size_t pieceSize = SIZE_MAX) {
    FieldReader reader(encoding);
    reader.Open(std::make_unique<MemoryByteSource>(bytes, pieceSize));
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

} // namespace quorvane::tag::test
