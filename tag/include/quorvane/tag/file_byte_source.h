#pragma once

#include "quorvane/tag/byte_source.h"
#include "quorvane/tag/files.h"

#include <utility>

// The reader's bytes from an open input file.
namespace quorvane::tag {

class FileByteSource final : public ByteSource {
public:
    explicit FileByteSource(InputFile file)
        : m_file(std::move(file)) {}

    std::size_t Read(unsigned char* into, std::size_t size) override {
        return m_file.Read(into, size);
    }

private:
    InputFile m_file;
};

} // namespace quorvane::tag
