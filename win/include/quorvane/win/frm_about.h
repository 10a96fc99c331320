#pragma once

#include "quorvane/win/focus_memory.h"

#include <windows.h>

namespace quorvane::win {

// The version window: icon, title, version, description, the maker's name
// and home page. Owned by no window; OK, Enter, Esc and the close box close
// it. Its object lives as long as its window.
class frmAbout final {
public:
    static void registerClass(HINSTANCE instance);
    // Opens a new About window.
    static HWND open();

private:
    frmAbout() = default;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void createControls();
    void layOut();
    void setIcon(int side);
    void Form_Load();

    HWND m_window = nullptr;
    HFONT m_font = nullptr;
    HICON m_icon = nullptr;
    FocusMemory m_focus;
};

} // namespace quorvane::win
