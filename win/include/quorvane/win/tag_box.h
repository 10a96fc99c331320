#pragma once

#include "quorvane/window/box_keys.h"
#include "quorvane/window/text_cursor.h"
#include "quorvane/window/text_document.h"
#include "quorvane/window/text_measure.h"
#include "quorvane/window/wheel_steps.h"

#include <windows.h>

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::win {

// The output box: a read-only view of a large UTF-8 table that paints only
// the lines in sight, in a fixed-pitch face, with both scroll bars, a caret
// and a selection by mouse and keys, a double-click selecting a word, Ctrl+A,
// Ctrl+C and a context menu. Lines never wrap. WM_GETTEXT gives its whole
// text as UTF-16.
class TagBox final : private window::TextMeasure {
public:
    // The notification (WM_COMMAND) of a Ctrl+C or a context menu copy that
    // failed.
    static constexpr WORD kCopyFailed = 1;

    // Registers the window class once.
    static void registerClass(HINSTANCE instance);
    // The box of `window`, or nullptr.
    static TagBox* of(HWND window);

    // Replaces the text and shows its start; on a failure the box keeps what
    // it showed.
    void setText(std::string text);
    // A text whose lines were indexed as it was written.
    void setText(window::IndexedText table);
    std::string_view text() const { return m_document.text(); }
    void setFont(HFONT font);
    // Puts the selection, or the whole text, on the clipboard as Unicode text.
    void copy(bool whole) const;
    // The widest each class of character is drawn, in 1/64 pixel.
    window::AdvanceBounds bounds() const;

private:
    explicit TagBox(HWND window)
        : m_window(window) {}
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);

    // TextMeasure: x in pixels from a line's left edge.
    double caretX(std::size_t line, std::size_t pos) const override;
    std::size_t caretAt(std::size_t line, double x) const override;
    std::size_t pageLines() const override;

    void textReplaced();
    int advance(char32_t c, int x) const;
    void measureFont();
    void paint(HDC dc, const RECT& dirty);
    void paintLine(HDC dc, std::size_t line, int y, int width);
    void updateScrollBars();
    void scrollTo(std::uint64_t top, std::int64_t left);
    void onWheel(bool vertical, int delta);
    void onScroll(int bar, int request);
    bool onKey(WPARAM key);
    void run(const window::BoxAction& action);
    void moveCaret(std::size_t pos, bool extend);
    void makeCaret();
    void showCaret();
    std::size_t positionAt(int x, int y) const;
    void contextMenu(int x, int y);
    void copySelection() const;
    int clientWidth() const;
    int clientHeight() const;
    LRESULT getText(WPARAM size, wchar_t* into) const;

    HWND m_window;
    window::TextDocument m_document;
    window::TextCursor m_cursor{m_document};
    HFONT m_font = nullptr;
    int m_lineHeight = 16;
    int m_narrow = 8;
    int m_wide = 16;
    int m_ascent = 12;
    std::uint64_t m_top = 0;
    std::int64_t m_left = 0;
    bool m_dragging = false;
    window::WheelSteps m_wheelUp;
    window::WheelSteps m_wheelRight;
};

} // namespace quorvane::win
