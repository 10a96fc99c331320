#pragma once

#include "quorvane/win/dpi_scale.h"
#include "quorvane/win/focus_memory.h"

#include <windows.h>

namespace quorvane::win {

// The version window: icon, title, version, description, the maker's name
// and home page, built from the About window's layout. Owned by no window;
// OK, Enter, Esc and the close box close it. Its object lives as long as its
// window.
class frmAbout final {
public:
    static void registerClass(HINSTANCE instance);
    // Opens a new About window.
    static HWND open();

private:
    frmAbout() = default;
    static LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM w, LPARAM l);
    LRESULT handle(UINT message, WPARAM w, LPARAM l);
    void paintLines();
    void createControls();
    void layOut();
    void placeIcon(const DpiScale& scale);
    void setIcon(int side);
    void setDescription();
    void Form_Load();

    HWND m_window = nullptr;
    HFONT m_font = nullptr;
    HICON m_icon = nullptr;
    FocusMemory m_focus;
};

} // namespace quorvane::win
