#pragma once

#include <windows.h>

#include <optional>
#include <string>

namespace quorvane::win {

// The question for the <table> tag's attribute: a small dialog box in the
// main window's style, modal to it, with the prompt, one text box holding
// the current text, OK and キャンセル (Enter and Esc). Laid out in twips at
// the owner's DPI, in the fonts the owner keeps.
class TableAttributeDialog final {
public:
    // The text given, UTF-8; nothing when the user cancels. Throws when the
    // dialog cannot be shown.
    static std::optional<std::string> ask(HWND owner, const std::string& current, HFONT captionFont,
                                          HFONT textFont);

private:
    TableAttributeDialog(const std::string& current, HFONT captionFont, HFONT textFont)
        : m_text(current)
        , m_captionFont(captionFont)
        , m_textFont(textFont) {}
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM w, LPARAM l);
    void create(HWND dialog);
    void placeOverOwner(HWND dialog);

    std::string m_text;
    HFONT m_captionFont;
    HFONT m_textFont;
};

} // namespace quorvane::win
