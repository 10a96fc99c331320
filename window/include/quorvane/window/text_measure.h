#pragma once

#include <cstddef>

namespace quorvane::window {

// Where a face draws the characters of a line: only it knows its fonts. The
// caret's moves up, down and by page ask it.
class TextMeasure {
public:
    virtual ~TextMeasure() = default;

    // The x of a caret before byte `pos` of `line`, from the line's left edge.
    virtual double caretX(std::size_t line, std::size_t pos) const = 0;
    // The caret position on `line` nearest to `x`.
    virtual std::size_t caretAt(std::size_t line, double x) const = 0;
    // Whole lines in sight: how far a page moves.
    virtual std::size_t pageLines() const = 0;
};

} // namespace quorvane::window
