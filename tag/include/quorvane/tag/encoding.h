#pragma once

// How the reader decodes a file. Auto: a UTF-16 byte order mark (either
// order) means UTF-16; a UTF-8 one, or valid UTF-8 with at least one
// non-ASCII character, means UTF-8; anything else is code page 932. Utf16
// takes its byte order from the mark, little endian without one.
namespace quorvane::tag {

enum class Encoding {
    Auto,
    Cp932,
    Utf8,
    Utf16,
};

} // namespace quorvane::tag
