// The window program on Windows: the main window on the Windows API.
#include "quorvane/win/frm_table.h"
#include "quorvane/win/progress_window.h"

#include <commctrl.h>
#include <objbase.h>

int WINAPI wWinMain(HINSTANCE instance, HINSTANCE, PWSTR, int show) {
    // The open dialog and the accessibility annotations use COM.
    const HRESULT com = CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
    INITCOMMONCONTROLSEX controls{sizeof controls,
                                  ICC_STANDARD_CLASSES | ICC_UPDOWN_CLASS | ICC_PROGRESS_CLASS};
    InitCommonControlsEx(&controls);
    quorvane::win::frmTable::registerClass(instance);
    if (quorvane::win::frmTable::open(show) == nullptr) {
        return 1;
    }
    MSG message{};
    BOOL got = 0;
    while ((got = GetMessageW(&message, nullptr, 0, 0)) > 0) {
        if (!quorvane::win::frmTable::takeDialogKeys(message) &&
            !quorvane::win::ProgressWindow::takeDialogKeys(message)) {
            TranslateMessage(&message);
            DispatchMessageW(&message);
        }
    }
    if (SUCCEEDED(com)) {
        CoUninitialize();
    }
    // -1: the loop itself failed, and the message holds nothing.
    return got == 0 ? static_cast<int>(message.wParam) : 1;
}
