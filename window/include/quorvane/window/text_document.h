#pragma once

#include "quorvane/window/indexed_text.h"
#include "quorvane/window/line_index.h"
#include "quorvane/window/table_text.h"
#include "quorvane/window/utf16_offsets.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane::window {

// The text of the output box, CR LF included, with its line index and its
// UTF-16 offsets. Positions are byte offsets into the text.
class TextDocument final {
public:
    TextDocument();

    // Replaces the text. The index and offsets of the new text are built
    // before anything changes: a failure leaves the document as it was.
    void setText(std::string text, const AdvanceBounds& bounds);
    // Takes a text indexed as it was written; an index made for other
    // advances is measured again.
    void setText(IndexedText text, const AdvanceBounds& bounds);
    // Bounds the widest line again for new advances.
    void remeasure(const AdvanceBounds& bounds) { m_lines.remeasure(bounds); }

    std::string_view text() const { return m_text.view(); }
    const LineIndex& lines() const { return m_lines; }
    const Utf16Offsets& utf16() const { return m_utf16; }

    // `pos` pulled to the nearest place a caret can stand: inside the text,
    // at a character start, not inside a line end.
    std::size_t caretPlace(std::size_t pos) const;

private:
    // The text's bytes never move, so the index and offsets may view them.
    TableText m_text;
    LineIndex m_lines;
    Utf16Offsets m_utf16;
};

} // namespace quorvane::window
