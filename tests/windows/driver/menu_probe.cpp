// Loaded into quorvane.exe by the system, as story_driver's message hook:
// reads the main window's check marks there and posts them back, since the
// menus of another process cannot be read under Wine.
//
// The driver posts kProbe to the main window, wParam its own thread's id; the
// hook answers that thread with kProbe, wParam bit i set when the menu item
// id::mnuCSV + i is checked.
#include <windows.h>

#include <quorvane/win/control_ids.h>

namespace id = quorvane::win::id;

extern "C" __declspec(dllexport) LRESULT CALLBACK probe_menu(int code, WPARAM w, LPARAM l) {
    static const UINT kProbe = RegisterWindowMessageW(L"QuorvaneMenuProbe");
    auto* message = reinterpret_cast<MSG*>(l);
    if (code == HC_ACTION && w == PM_REMOVE && message->message == kProbe) {
        WPARAM checked = 0;
        const HMENU menu = GetMenu(message->hwnd);
        for (int item = id::mnuCSV; item <= id::mnuSaveCp932; ++item) {
            const UINT state = GetMenuState(menu, UINT(item), MF_BYCOMMAND);
            if (state != UINT(-1) && (state & MF_CHECKED))
                checked |= WPARAM(1) << (item - id::mnuCSV);
        }
        PostThreadMessageW(DWORD(message->wParam), kProbe, checked, 0);
        message->message = WM_NULL;  // not the program's to see
    }
    return CallNextHookEx(nullptr, code, w, l);
}
