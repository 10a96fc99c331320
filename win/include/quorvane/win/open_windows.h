#pragma once

namespace quorvane::win {

// The program's own top-level windows, the main window and the About
// windows: the program ends when the last of them has closed, whichever it
// is. Each counts itself in on WM_NCCREATE and out on WM_NCDESTROY.
class OpenWindows final {
public:
    static void opened();
    // Ends the program's message loop once none is left.
    static void closed();

private:
    static int s_count;
};

} // namespace quorvane::win
