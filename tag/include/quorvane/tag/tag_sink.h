#pragma once

#include <string_view>

// Receives the table text in UTF-16 pieces, in order.
namespace quorvane::tag {

class TagSink {
public:
    virtual ~TagSink() = default;

    virtual void Append(std::u16string_view text) = 0;
};

} // namespace quorvane::tag
