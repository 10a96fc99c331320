#pragma once

#include "quorvane/tag/large_array.h"

#include <cstddef>
#include <string_view>

namespace quorvane::tag {

// Receives the table text as UTF-8 pieces, in order.
class TagSink {
public:
    virtual ~TagSink() = default;
    virtual void Append(std::string_view utf8) = 0;

    // Receives the text in the first `size` bytes of `block`, a buffer of
    // `capacity` bytes that the conversion fills and hands over whole. A
    // sink that keeps blocks (to write them while the next one fills) may
    // take `block` and put another of `capacity` bytes in its place; the
    // default appends the text and leaves the block as it is.
    virtual void AppendBlock(Block& block, std::size_t size, std::size_t capacity) {
        static_cast<void>(capacity);
        Append({block.get(), size});
    }
};

} // namespace quorvane::tag
