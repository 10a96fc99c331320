#pragma once

#include "quorvane/tag/tag_sink.h"

#include <string>

// Appends the table text to a string the caller owns (the window's TagText).
namespace quorvane::tag {

class U16StringSink final : public TagSink {
public:
    explicit U16StringSink(std::u16string& text)
        : m_text(text) {}

    void Append(std::u16string_view text) override { m_text.append(text); }
    // Widens straight into the string, with no copy in between.
    void AppendAscii(std::string_view text) override;

private:
    std::u16string& m_text;
};

} // namespace quorvane::tag
