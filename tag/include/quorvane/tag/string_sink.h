#pragma once

#include "quorvane/tag/tag_sink.h"

#include <string>

namespace quorvane::tag {

// Appends the table text to a string the caller owns (the window's TagText).
class StringSink final : public TagSink {
public:
    explicit StringSink(std::string& text)
        : m_text(text) {}

    void Append(std::string_view utf8) override { m_text.append(utf8); }

private:
    std::string& m_text;
};

} // namespace quorvane::tag
