#pragma once

#include "quorvane/tag/utf8_file_sink.h"

#include <cstdio>
#include <string>

// The bytes a Utf8FileSink writes to a real file while `write` feeds it.
namespace quorvane::test {

template <typename Write> std::string CaptureUtf8(Write&& write) {
    std::FILE* file = std::tmpfile();
    tag::Utf8FileSink sink(fileno(file));
    write(sink);
    sink.Flush();
    std::string bytes;
    std::rewind(file);
    for (int c; (c = std::fgetc(file)) != EOF;) {
        bytes += static_cast<char>(c);
    }
    std::fclose(file);
    return bytes;
}

} // namespace quorvane::test
