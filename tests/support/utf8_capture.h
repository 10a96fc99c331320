#pragma once

#include "quorvane/tag/files.h"
#include "quorvane/tag/utf8_file_sink.h"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

// The bytes a Utf8FileSink writes to a real file while `write` feeds it.
namespace quorvane::test {

template <typename Write> std::string CaptureUtf8(Write&& write) {
    const std::filesystem::path path =
        std::filesystem::temp_directory_path() / ("quorvane-capture-" + std::to_string(getpid()));
    {
        tag::OutputFile file(path);
        tag::Utf8FileSink sink(file);
        write(sink);
        sink.Flush();
        file.Commit();
    }
    std::ifstream in(path, std::ios::binary);
    std::string bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
    std::filesystem::remove(path);
    return bytes;
}

} // namespace quorvane::test
