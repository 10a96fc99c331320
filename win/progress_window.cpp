#include "quorvane/win/progress_window.h"

#include "quorvane/win/control_ids.h"
#include "quorvane/win/dpi_scale.h"
#include "quorvane/win/wide.h"
#include "quorvane/window/window_texts.h"

#include <commctrl.h>

#include <string>
#include <string_view>

namespace quorvane::win {

void ProgressWindow::registerClass(HINSTANCE instance) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = &ProgressWindow::procedure;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.lpszClassName = id::kProgressClass;
    RegisterClassExW(&type);
}

bool ProgressWindow::takeDialogKeys(MSG& message) {
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    wchar_t type[32] = {};
    if (top == nullptr || GetClassNameW(top, type, static_cast<int>(std::size(type))) == 0) {
        return false;
    }
    return std::wstring_view(type) == id::kProgressClass && IsDialogMessageW(top, &message);
}

ProgressWindow::ProgressWindow(const std::wstring& fileName, HWND owner, HFONT font, UINT dpi,
                               std::function<void()> cancel)
    : m_cancel(std::move(cancel)) {
    const DpiScale scale(dpi);
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    const RECT frame = scale.frameOver(owner, 5400, 1500, style, WS_EX_DLGMODALFRAME);
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    m_window = CreateWindowExW(WS_EX_DLGMODALFRAME, id::kProgressClass, L"Quorvane", style,
                               frame.left, frame.top, frame.right - frame.left,
                               frame.bottom - frame.top, owner, nullptr, instance, this);
    const auto make = [&](const wchar_t* type, const wchar_t* text, DWORD extra, int id, RECT at) {
        HWND control =
            CreateWindowExW(0, type, text, WS_CHILD | WS_VISIBLE | extra, at.left, at.top,
                            at.right - at.left, at.bottom - at.top, m_window,
                            reinterpret_cast<HMENU>(static_cast<INT_PTR>(id)), instance, nullptr);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        return control;
    };
    make(L"STATIC", fileName.c_str(), SS_LEFT | SS_NOPREFIX | SS_PATHELLIPSIS, id::lblFile,
         scale.rect(180, 150, 5040, 270));
    HWND bar = make(PROGRESS_CLASSW, L"", 0, id::barRead, scale.rect(180, 495, 5040, 270));
    SendMessageW(bar, PBM_SETRANGE32, 0, window::kProgressBarSteps);
    HWND button = make(L"BUTTON", wide(window::kCancelCaption).c_str(), WS_TABSTOP | BS_PUSHBUTTON,
                       id::CmdCancel, scale.rect(3720, 960, 1500, 345));
    ShowWindow(m_window, SW_SHOW);
    SetFocus(button);
}

ProgressWindow::~ProgressWindow() {
    if (m_window != nullptr) {
        SetWindowLongPtrW(m_window, GWLP_USERDATA, 0);
        DestroyWindow(m_window);
    }
}

LRESULT CALLBACK ProgressWindow::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTW*>(l);
        SetWindowLongPtrW(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    auto* self = reinterpret_cast<ProgressWindow*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (self != nullptr) {
        switch (message) {
        case WM_CLOSE:
            self->cancel();
            return 0;
        case WM_COMMAND:
            if (LOWORD(w) == id::CmdCancel || LOWORD(w) == IDCANCEL) {
                self->cancel();
            }
            return 0;
        default:
            break;
        }
    }
    return DefWindowProcW(window, message, w, l);
}

// The owner sees the job end and destroys this window.
void ProgressWindow::cancel() {
    EnableWindow(GetDlgItem(m_window, id::CmdCancel), FALSE);
    m_cancel();
}

void ProgressWindow::setFont(HFONT font) {
    for (HWND child = GetWindow(m_window, GW_CHILD); child != nullptr;
         child = GetWindow(child, GW_HWNDNEXT)) {
        SendMessageW(child, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
}

void ProgressWindow::setSteps(int steps) {
    SendMessageW(GetDlgItem(m_window, id::barRead), PBM_SETPOS, static_cast<WPARAM>(steps), 0);
}

} // namespace quorvane::win
