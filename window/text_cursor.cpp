#include "quorvane/window/text_cursor.h"

#include "quorvane/window/char_class.h"
#include "quorvane/window/text_document.h"
#include "quorvane/window/text_measure.h"
#include "quorvane/window/utf8.h"

#include <algorithm>

namespace quorvane::window {
namespace {

bool isMark(std::string_view text, std::size_t pos) {
    return pos < text.size() && wordClass(utf8::decode(text, pos)) == WordClass::Mark;
}

// Where the character after the one at `pos` starts; combining marks go with
// the character before them, as the caret does.
std::size_t after(std::string_view text, std::size_t pos) {
    do {
        pos = utf8::next(text, pos);
    } while (isMark(text, pos));
    return pos;
}

std::size_t before(std::string_view text, std::size_t pos) {
    do {
        pos = utf8::previous(text, pos);
    } while (pos > 0 && isMark(text, pos));
    return pos;
}

} // namespace

void TextCursor::reset() {
    m_anchor = m_caret = 0;
    m_desiredX.reset();
}

void TextCursor::moveTo(std::size_t pos, bool extend) {
    place(pos, extend);
    m_desiredX.reset();
}

void TextCursor::move(CaretMove move, bool extend, const TextMeasure& measure) {
    const bool upOrDown = move == CaretMove::LineUp || move == CaretMove::LineDown ||
                          move == CaretMove::PageUp || move == CaretMove::PageDown;
    if (upOrDown) {
        place(target(move, measure), extend);
    } else {
        moveTo(target(move, measure), extend);
    }
}

void TextCursor::place(std::size_t pos, bool extend) {
    m_caret = m_document.caretPlace(pos);
    if (!extend) {
        m_anchor = m_caret;
    }
}

void TextCursor::select(std::size_t anchor, std::size_t caret) {
    m_anchor = m_document.caretPlace(anchor);
    moveTo(caret, true);
}

void TextCursor::selectAll() {
    select(0, m_document.text().size());
}

bool TextCursor::selectWordAt(std::size_t pos) {
    const LineIndex& lines = m_document.lines();
    pos = m_document.caretPlace(pos);
    const std::size_t line = lines.lineOf(pos);
    if (lines.lineStart(line) == lines.lineEnd(line)) {
        return false;
    }
    const std::size_t on = pos < lines.lineEnd(line) ? pos : before(m_document.text(), pos);
    select(wordStart(on), wordEnd(on));
    return true;
}

std::size_t TextCursor::target(CaretMove move, const TextMeasure& measure) {
    const LineIndex& lines = m_document.lines();
    const std::size_t line = lines.lineOf(m_caret);
    const std::size_t start = lines.lineStart(line);
    const std::size_t end = lines.lineEnd(line);
    const auto page = static_cast<std::ptrdiff_t>(std::max<std::size_t>(measure.pageLines(), 1));
    switch (move) {
    case CaretMove::CharacterLeft:
        return stepLeft(m_caret);
    case CaretMove::CharacterRight:
        return stepRight(m_caret);
    case CaretMove::WordLeft:
        return m_caret > start ? wordStart(before(m_document.text(), m_caret)) : stepLeft(m_caret);
    case CaretMove::WordRight:
        return m_caret < end ? wordEnd(m_caret) : stepRight(m_caret);
    case CaretMove::LineStart:
        return start;
    case CaretMove::LineEnd:
        return end;
    case CaretMove::LineUp:
        return vertical(-1, measure);
    case CaretMove::LineDown:
        return vertical(1, measure);
    case CaretMove::PageUp:
        return vertical(-page, measure);
    case CaretMove::PageDown:
        return vertical(page, measure);
    case CaretMove::DocumentStart:
        return 0;
    case CaretMove::DocumentEnd:
        break;
    }
    return m_document.text().size();
}

// At a line's start the caret goes to the end of the line before.
std::size_t TextCursor::stepLeft(std::size_t pos) const {
    const LineIndex& lines = m_document.lines();
    const std::size_t line = lines.lineOf(pos);
    if (pos == lines.lineStart(line)) {
        return line == 0 ? pos : lines.lineEnd(line - 1);
    }
    return before(m_document.text(), pos);
}

// At a line's end the caret goes to the start of the line after.
std::size_t TextCursor::stepRight(std::size_t pos) const {
    const LineIndex& lines = m_document.lines();
    const std::size_t line = lines.lineOf(pos);
    if (pos == lines.lineEnd(line)) {
        return line + 1 == lines.lineCount() ? pos : lines.lineStart(line + 1);
    }
    return after(m_document.text(), pos);
}

// Start of the word that holds the character at `pos`.
std::size_t TextCursor::wordStart(std::size_t pos) const {
    const std::string_view text = m_document.text();
    const std::size_t start = m_document.lines().lineStart(m_document.lines().lineOf(pos));
    const char32_t c = utf8::decode(text, pos);
    while (pos > start && sameWord(utf8::decode(text, before(text, pos)), c)) {
        pos = before(text, pos);
    }
    return pos;
}

// End of the word that holds the character at `pos`.
std::size_t TextCursor::wordEnd(std::size_t pos) const {
    const std::string_view text = m_document.text();
    const std::size_t end = m_document.lines().lineEnd(m_document.lines().lineOf(pos));
    const char32_t c = utf8::decode(text, pos);
    while (pos < end && sameWord(utf8::decode(text, pos), c)) {
        pos = after(text, pos);
    }
    return pos;
}

// The caret `lines` lines up or down, at the x it had before the first of
// such moves.
std::size_t TextCursor::vertical(std::ptrdiff_t lines, const TextMeasure& measure) {
    const LineIndex& index = m_document.lines();
    const std::size_t line = index.lineOf(m_caret);
    if (!m_desiredX) {
        m_desiredX = measure.caretX(line, m_caret);
    }
    const auto last = static_cast<std::ptrdiff_t>(index.lineCount()) - 1;
    const auto target = static_cast<std::size_t>(
        std::clamp<std::ptrdiff_t>(static_cast<std::ptrdiff_t>(line) + lines, 0, last));
    return measure.caretAt(target, *m_desiredX);
}

} // namespace quorvane::window
