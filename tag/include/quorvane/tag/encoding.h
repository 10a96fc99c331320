#pragma once

// How the reader decodes a file. Auto: a UTF-8 byte order mark, or valid
// UTF-8 with at least one non-ASCII character, means UTF-8; anything else is
// code page 932.
namespace quorvane::tag {

enum class Encoding {
    Auto,
    Cp932,
    Utf8,
};

} // namespace quorvane::tag
