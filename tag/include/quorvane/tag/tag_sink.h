#pragma once

#include <string_view>

// Receives the table text in UTF-16 pieces, in order.
namespace quorvane::tag {

class TagSink {
public:
    virtual ~TagSink() = default;

    virtual void Append(std::u16string_view text) = 0;

    // Text whose bytes are all ASCII (below 0x80), each byte one character.
    // Most of a table is ASCII; the default widens it and hands it to Append,
    // a sink that stores bytes overrides it and skips the round trip.
    virtual void AppendAscii(std::string_view text);
};

} // namespace quorvane::tag
