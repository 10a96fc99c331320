#include "quorvane/window/text_document.h"

#include "quorvane/window/utf8.h"

#include <algorithm>

namespace quorvane::window {

TextDocument::TextDocument()
    : m_text(std::make_unique<const std::string>()) {
    m_utf16.reset(*m_text);
}

void TextDocument::setText(std::string text, const AdvanceBounds& bounds) {
    auto kept = std::make_unique<const std::string>(std::move(text));
    LineIndex lines;
    lines.build(*kept, bounds);
    Utf16Offsets utf16;
    utf16.reset(*kept);
    // Nothing below can fail.
    m_text = std::move(kept);
    m_lines = std::move(lines);
    m_utf16 = std::move(utf16);
}

void TextDocument::setText(IndexedText text, const AdvanceBounds& bounds) {
    auto kept = std::make_unique<const std::string>(std::move(text.text));
    text.lines.moved(*kept);
    if (text.bounds.advance != bounds.advance) {
        text.lines.remeasure(bounds);
    }
    Utf16Offsets utf16;
    utf16.reset(*kept);
    m_text = std::move(kept);
    m_lines = std::move(text.lines);
    m_utf16 = std::move(utf16);
}

std::size_t TextDocument::caretPlace(std::size_t pos) const {
    pos = utf8::characterStart(*m_text, pos);
    return std::min(pos, m_lines.lineEnd(m_lines.lineOf(pos)));
}

} // namespace quorvane::window
