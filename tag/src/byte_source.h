#pragma once

#include <cstddef>

// Where the reader's bytes come from: a file, standard input or memory.
namespace quorvane::tag {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads up to `size` bytes into `into`; returns 0 only at the end of the
    // data. Fails with ErrorCode::ReadFailed.
    virtual std::size_t Read(unsigned char* into, std::size_t size) = 0;
};

} // namespace quorvane::tag
