#pragma once

#include <cstddef>
#include <cstdint>

// Where the reader's bytes come from: a file, standard input or memory.
namespace quorvane::tag {

class ByteSource {
public:
    virtual ~ByteSource() = default;

    // Reads up to `size` bytes into `into`; returns 0 only at the end of the
    // data. Fails with ErrorCode::ReadFailed.
    virtual std::size_t Read(unsigned char* into, std::size_t size) = 0;

    // How many bytes the source expects to give, 0 when it cannot tell: a
    // hint for the sizes of buffers, which may be wrong.
    virtual std::uint64_t SizeHint() const { return 0; }

    // True when the source expects to give few bytes: the buffers of a
    // conversion are then made small, which keeps a small one cheap.
    bool Small() const {
        const std::uint64_t hint = SizeHint();
        return hint > 0 && hint < (std::uint64_t{64} << 10);
    }
};

} // namespace quorvane::tag
