#pragma once

#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_sink.h"

namespace quorvane::tag {

// Writes what it is given to an output file as it comes.
class FileSink final : public TagSink {
public:
    explicit FileSink(OutputFile& file)
        : m_file(file) {}

    void Append(std::string_view bytes) override { m_file.Write(bytes); }

private:
    OutputFile& m_file;
};

} // namespace quorvane::tag
