#include "quorvane/win/frm_about.h"

#include "quorvane/app_info.h"
#include "quorvane/win/control_ids.h"
#include "quorvane/win/dpi_scale.h"
#include "quorvane/win/open_windows.h"
#include "quorvane/win/wide.h"

#include <string>

namespace quorvane::win {
namespace {

// The icon resources: 1 the main window's, 2 the About window's.
constexpr int kAboutIcon = 2;
constexpr wchar_t kHomePage[] = L"https://www.example.com/";

struct Place {
    int id;
    int left, top, width, height;
};

// Twips, as the window is laid out.
constexpr Place kPlaces[] = {
    {id::Text1, 1080, 2160, 3015, 270},          {id::picIcon, 240, 210, 540, 540},
    {id::cmdOK, 4245, 2040, 1380, 345},          {id::AboutLabel1, 1050, 1890, 2535, 225},
    {id::lblDescription, 1050, 1125, 3885, 540}, {id::lblTitle, 1050, 240, 3885, 480},
    {id::lblVersion, 1050, 780, 3885, 225},
};

// The etched rule: a shadow line and, beneath it, a highlight line twice as
// thick, in the system's colours.
constexpr int kShadowTop = 1710;
constexpr int kHighlightTop = 1725;

} // namespace

void frmAbout::registerClass(HINSTANCE instance) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = &frmAbout::procedure;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kAboutIcon));
    type.lpszClassName = id::kAboutClass;
    RegisterClassExW(&type);
}

HWND frmAbout::open() {
    auto* about = new frmAbout;
    const DWORD style = WS_POPUP | WS_CAPTION | WS_SYSMENU;
    HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, id::kAboutClass, L"ﾊﾞｰｼﾞｮﾝ情報", style, 0, 0,
                                  100, 100, nullptr, nullptr, GetModuleHandleW(nullptr), about);
    if (window == nullptr) {
        delete about;
        return nullptr;
    }
    ShowWindow(window, SW_SHOW);
    SetFocus(GetDlgItem(window, id::cmdOK));
    return window;
}

LRESULT CALLBACK frmAbout::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* about = static_cast<frmAbout*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        about->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(about));
        OpenWindows::opened();
    }
    auto* about = reinterpret_cast<frmAbout*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (about == nullptr) {
        return DefWindowProcW(window, message, w, l);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        if (about->m_font) {
            DeleteObject(about->m_font);
        }
        if (about->m_icon) {
            DestroyIcon(about->m_icon);
        }
        delete about;
        OpenWindows::closed();
        return DefWindowProcW(window, message, w, l);
    }
    return about->handle(message, w, l);
}

LRESULT frmAbout::handle(UINT message, WPARAM w, LPARAM l) {
    if (m_focus.handle(m_window, message, w)) {
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        createControls();
        layOut();
        Form_Load();
        return 0;
    case WM_DPICHANGED: {
        const auto* suggested = reinterpret_cast<const RECT*>(l);
        layOut();
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
        return 0;
    }
    case WM_COMMAND:
        if (LOWORD(w) == id::cmdOK || LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
            DestroyWindow(m_window);
        }
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_window, &ps);
        const DpiScale scale = DpiScale::of(m_window);
        RECT shadow{scale.pixels(90), scale.pixels(kShadowTop), scale.pixels(5654),
                    scale.pixels(kShadowTop) + 1};
        FillRect(dc, &shadow, GetSysColorBrush(COLOR_3DSHADOW));
        RECT light{scale.pixels(105), scale.pixels(kHighlightTop), scale.pixels(5654),
                   scale.pixels(kHighlightTop) + 2};
        FillRect(dc, &light, GetSysColorBrush(COLOR_3DHILIGHT));
        EndPaint(m_window, &ps);
        return 0;
    }
    default:
        return DefWindowProcW(m_window, message, w, l);
    }
}

void frmAbout::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    const auto make = [&](const wchar_t* type, const wchar_t* text, DWORD style, DWORD exStyle,
                          int control) {
        CreateWindowExW(exStyle, type, text, WS_CHILD | WS_VISIBLE | style, 0, 0, 0, 0, m_window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(control)), instance, nullptr);
    };
    // Creation order is the tab order: OK first, the address box last.
    make(L"BUTTON", L"OK", WS_TABSTOP | BS_DEFPUSHBUTTON, 0, id::cmdOK);
    make(L"STATIC", L"", SS_ICON | SS_CENTERIMAGE, WS_EX_CLIENTEDGE, id::picIcon);
    make(L"STATIC", L"", SS_LEFT | SS_NOPREFIX, 0, id::lblDescription);
    make(L"STATIC", L"ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ", SS_LEFT | SS_NOPREFIX, 0, id::lblTitle);
    make(L"STATIC", L"ﾊﾞｰｼﾞｮﾝ", SS_LEFT | SS_NOPREFIX, 0, id::lblVersion);
    make(L"STATIC", L"office ぽるめに", SS_LEFT | SS_NOPREFIX, 0, id::AboutLabel1);
    make(L"EDIT", kHomePage, WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL, 0, id::Text1);
}

// Places the window and its controls at the monitor's DPI, in the system's
// message font.
void frmAbout::layOut() {
    const DpiScale scale = DpiScale::of(m_window);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, scale.dpi());
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    for (const Place& place : kPlaces) {
        HWND control = GetDlgItem(m_window, place.id);
        const RECT at = scale.rect(place.left, place.top, place.width, place.height);
        SetWindowPos(control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (m_font) {
        DeleteObject(m_font);
    }
    m_font = font;
    // The picture takes the icon, 32 pixels at 96 DPI, and its sunken border.
    const int side = scale.pixels(480);
    setIcon(side);
    const RECT icon = scale.rect(240, 210, 0, 0);
    SetWindowPos(GetDlgItem(m_window, id::picIcon), nullptr, icon.left, icon.top, side + 4,
                 side + 4, SWP_NOZORDER | SWP_NOACTIVATE);
    RECT frame = scale.rect(2340, 1935, 5730, 2505);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_EXSTYLE));
    AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, scale.dpi());
    SetWindowPos(m_window, nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The icon made at `side` pixels from its nearest image; the one it replaces
// is released.
void frmAbout::setIcon(int side) {
    auto* icon =
        static_cast<HICON>(LoadImageW(GetModuleHandleW(nullptr), MAKEINTRESOURCEW(kAboutIcon),
                                      IMAGE_ICON, side, side, LR_DEFAULTCOLOR));
    if (icon == nullptr) {
        return;
    }
    SendDlgItemMessageW(m_window, id::picIcon, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
    if (m_icon) {
        DestroyIcon(m_icon);
    }
    m_icon = icon;
}

void frmAbout::Form_Load() {
    const std::wstring title = wide(app::kTitle);
    SetWindowTextW(m_window, (title + L"のﾊﾞｰｼﾞｮﾝ情報").c_str());
    SetDlgItemTextW(m_window, id::lblTitle, title.c_str());
    const std::wstring version = L"ﾊﾞｰｼﾞｮﾝ " + std::to_wstring(app::kVersionMajor) + L"." +
                                 std::to_wstring(app::kVersionMinor) + L"." +
                                 std::to_wstring(app::kVersionRevision);
    SetDlgItemTextW(m_window, id::lblVersion, version.c_str());
    // The caption alone on the first line, the description below it.
    SetDlgItemTextW(m_window, id::lblDescription,
                    L"ｱﾌﾟﾘｹｰｼｮﾝの説明\r\n"
                    L"CSVファイルをHTMLのテーブルタ"
                    L"グに変換します。");
}

} // namespace quorvane::win
