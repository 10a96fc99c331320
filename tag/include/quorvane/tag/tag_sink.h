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

    // Whole characters in UTF-8. A sink that stores UTF-8 says so with
    // TakesUtf8, and is then given text this way rather than in UTF-16; the
    // default decodes it for Append.
    virtual void AppendUtf8(std::string_view text);
    virtual bool TakesUtf8() const { return false; }
};

} // namespace quorvane::tag
