#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>

namespace quorvane::window {

class TextDocument;
class TextMeasure;

// The ways the caret moves from the keyboard.
enum class CaretMove : std::uint8_t {
    CharacterLeft,
    CharacterRight,
    WordLeft,
    WordRight,
    LineStart,
    LineEnd,
    LineUp,
    LineDown,
    PageUp,
    PageDown,
    DocumentStart,
    DocumentEnd,
};

// The caret and the anchor of the selection in a TextDocument, and the rules
// by which they move. The selection runs between the two.
class TextCursor final {
public:
    explicit TextCursor(const TextDocument& document)
        : m_document(document) {}

    std::size_t anchor() const { return m_anchor; }
    std::size_t caret() const { return m_caret; }
    std::size_t selectionStart() const { return m_anchor < m_caret ? m_anchor : m_caret; }
    std::size_t selectionEnd() const { return m_anchor < m_caret ? m_caret : m_anchor; }
    bool hasSelection() const { return m_anchor != m_caret; }

    // Caret and anchor back to the start, for a new text.
    void reset();
    // The caret to `pos`, pulled to a caret place; `extend` keeps the anchor.
    void moveTo(std::size_t pos, bool extend);
    void move(CaretMove move, bool extend, const TextMeasure& measure);
    void select(std::size_t anchor, std::size_t caret);
    void selectAll();
    // Selects the word that holds the character at `pos`, or the one before
    // it at a line's end. An empty line selects nothing: false.
    bool selectWordAt(std::size_t pos);

private:
    // The caret to `pos`, keeping the x of moves up and down.
    void place(std::size_t pos, bool extend);
    std::size_t target(CaretMove move, const TextMeasure& measure);
    std::size_t stepLeft(std::size_t pos) const;
    std::size_t stepRight(std::size_t pos) const;
    std::size_t wordStart(std::size_t pos) const;
    std::size_t wordEnd(std::size_t pos) const;
    std::size_t vertical(std::ptrdiff_t lines, const TextMeasure& measure);

    const TextDocument& m_document;
    std::size_t m_anchor = 0;
    std::size_t m_caret = 0;
    // The x the caret keeps over moves up and down.
    std::optional<double> m_desiredX;
};

} // namespace quorvane::window
