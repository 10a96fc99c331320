#pragma once

// How the table text leaves the program: the bytes it is written in, and
// whether a complete HTML document surrounds it.
namespace quorvane::tag {

enum class OutputEncoding {
    // The table text as it is.
    Utf8,
    // Code page 932; a character it lacks becomes a hexadecimal numeric
    // character reference such as "&#x1F600;".
    Cp932,
};

struct OutputOptions final {
    OutputEncoding encoding = OutputEncoding::Utf8;
    bool document = false;
};

} // namespace quorvane::tag
