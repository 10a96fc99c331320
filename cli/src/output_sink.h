#pragma once

#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_sink.h"

namespace quorvane::cli {

// Writes the table text to an output file as it comes.
class OutputSink final : public tag::TagSink {
public:
    explicit OutputSink(tag::OutputFile& file)
        : m_file(file) {}

    void Append(std::string_view utf8) override { m_file.Write(utf8); }

private:
    tag::OutputFile& m_file;
};

} // namespace quorvane::cli
