#include "quorvane/window/text_document.h"

#include "quorvane/window/utf8.h"

#include <algorithm>

namespace quorvane::window {

TextDocument::TextDocument() {
    m_utf16.reset(m_text.view());
}

void TextDocument::setText(std::string text, const AdvanceBounds& bounds) {
    TableText kept(std::move(text));
    LineIndex lines;
    lines.build(kept.view(), bounds);
    Utf16Offsets utf16;
    utf16.reset(kept.view());
    // Nothing below can fail.
    m_text = std::move(kept);
    m_lines = std::move(lines);
    m_utf16 = std::move(utf16);
}

void TextDocument::setText(IndexedText text, const AdvanceBounds& bounds) {
    if (text.bounds.advance != bounds.advance) {
        text.lines.remeasure(bounds);
    }
    Utf16Offsets utf16;
    utf16.reset(text.text.view(), std::move(text.utf16Blocks));
    m_text = std::move(text.text);
    m_lines = std::move(text.lines);
    m_utf16 = std::move(utf16);
}

std::size_t TextDocument::caretPlace(std::size_t pos) const {
    pos = utf8::characterStart(m_text.view(), pos);
    return std::min(pos, m_lines.lineEnd(m_lines.lineOf(pos)));
}

} // namespace quorvane::window
