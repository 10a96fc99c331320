#pragma once

#include <string_view>

namespace quorvane::tag {

// Receives the table text as UTF-8 pieces, in order.
class TagSink {
public:
    virtual ~TagSink() = default;
    virtual void Append(std::string_view utf8) = 0;
};

} // namespace quorvane::tag
