#include "quorvane/win/frm_about.h"

#include "quorvane/app_info.h"
#include "quorvane/win/control_ids.h"
#include "quorvane/win/dpi_scale.h"
#include "quorvane/win/open_windows.h"
#include "quorvane/win/wide.h"
#include "quorvane/window/about_layout.h"

#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace quorvane::win {
namespace {

using window::AboutControl;
using window::AboutControlLayout;

// The icon resources: 1 the main window's, 2 the About window's.
constexpr int kAboutIcon = 2;

// The control id each control is found by; the lines are painted, not
// windows of their own.
int idOf(AboutControl control) {
    constexpr std::pair<AboutControl, int> kIds[] = {
        {AboutControl::Text1, id::Text1},
        {AboutControl::picIcon, id::picIcon},
        {AboutControl::cmdOK, id::cmdOK},
        {AboutControl::Label1, id::AboutLabel1},
        {AboutControl::lblDescription, id::lblDescription},
        {AboutControl::lblTitle, id::lblTitle},
        {AboutControl::lblVersion, id::lblVersion},
    };
    return std::ranges::find(kIds, control, &std::pair<AboutControl, int>::first)->second;
}

// The window class and styles of a control; the picture takes a sunken
// border.
struct ControlType {
    const wchar_t* type;
    DWORD style;
    DWORD exStyle;
};

ControlType typeOf(const AboutControlLayout& c) {
    using K = window::AboutKind;
    const DWORD tabStop = c.takesFocus ? WS_TABSTOP : 0;
    switch (c.kind) {
    case K::AddressBox:
        return {L"EDIT", tabStop | ES_READONLY | ES_AUTOHSCROLL, 0};
    case K::Picture:
        return {L"STATIC", tabStop | SS_ICON | SS_CENTERIMAGE, WS_EX_CLIENTEDGE};
    case K::Button:
        return {L"BUTTON", tabStop | (c.defaultAndCancel ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), 0};
    case K::Label:
    case K::Line:
        break;
    }
    return {L"STATIC", tabStop | SS_LEFT | SS_NOPREFIX, 0};
}

// The controls that are windows, in tab order: the dialog manager walks them
// in the order they are created.
std::vector<AboutControlLayout> windowsInTabOrder() {
    std::vector<AboutControlLayout> controls;
    std::ranges::copy_if(
        window::aboutControls(), std::back_inserter(controls),
        [](const AboutControlLayout& c) { return c.kind != window::AboutKind::Line; });
    std::ranges::stable_sort(controls, {}, &AboutControlLayout::tab);
    return controls;
}

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
    HWND window = CreateWindowExW(WS_EX_DLGMODALFRAME, id::kAboutClass,
                                  wide(window::kAboutFirstCaption).c_str(), style, 0, 0, 100, 100,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), about);
    if (window == nullptr) {
        delete about;
        return nullptr;
    }
    ShowWindow(window, SW_SHOW);
    SetFocus(GetDlgItem(window, idOf(window::aboutFocusOrder().front())));
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
        // OK is the default and the cancel button: Enter and Esc press it.
        if (LOWORD(w) == id::cmdOK || LOWORD(w) == IDOK || LOWORD(w) == IDCANCEL) {
            DestroyWindow(m_window);
        }
        return 0;
    case WM_PAINT:
        paintLines();
        return 0;
    default:
        return DefWindowProcW(m_window, message, w, l);
    }
}

// The etched rule, in the system's colours; a line's thickness stays in
// pixels at any DPI.
void frmAbout::paintLines() {
    PAINTSTRUCT ps;
    HDC dc = BeginPaint(m_window, &ps);
    const DpiScale scale = DpiScale::of(m_window);
    for (const AboutControlLayout& c : window::aboutControls()) {
        if (c.kind != window::AboutKind::Line) {
            continue;
        }
        const window::AboutLine& line = c.line;
        const RECT at{scale.pixels(line.x1), scale.pixels(line.y), scale.pixels(line.x2),
                      scale.pixels(line.y) + line.thickness};
        FillRect(dc, &at,
                 GetSysColorBrush(line.colour == window::LineColour::Shadow ? COLOR_3DSHADOW
                                                                            : COLOR_3DHILIGHT));
    }
    EndPaint(m_window, &ps);
}

void frmAbout::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    for (const AboutControlLayout& c : windowsInTabOrder()) {
        const ControlType type = typeOf(c);
        CreateWindowExW(type.exStyle, type.type, wide(c.caption).c_str(),
                        WS_CHILD | WS_VISIBLE | type.style, 0, 0, 0, 0, m_window,
                        reinterpret_cast<HMENU>(static_cast<INT_PTR>(idOf(c.control))), instance,
                        nullptr);
    }
}

// Places the window and its controls at the monitor's DPI, in the system's
// message font.
void frmAbout::layOut() {
    const DpiScale scale = DpiScale::of(m_window);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, scale.dpi());
    HFONT font = CreateFontIndirectW(&metrics.lfMessageFont);
    for (const AboutControlLayout& c : windowsInTabOrder()) {
        HWND control = GetDlgItem(m_window, idOf(c.control));
        const RECT at = scale.rect(c.place.left, c.place.top, c.place.width, c.place.height);
        SetWindowPos(control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
    }
    if (m_font) {
        DeleteObject(m_font);
    }
    m_font = font;
    placeIcon(scale);
    setDescription();
    const window::TwipsRect& client = window::kAboutClient;
    RECT frame = scale.rect(client.left, client.top, client.width, client.height);
    const DWORD style = static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_STYLE));
    const DWORD exStyle = static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_EXSTYLE));
    AdjustWindowRectExForDpi(&frame, style, FALSE, exStyle, scale.dpi());
    SetWindowPos(m_window, nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

// The picture takes the icon at the window's DPI and its sunken border.
void frmAbout::placeIcon(const DpiScale& scale) {
    const int side = scale.pixels(window::kAboutIconTwips);
    setIcon(side);
    const window::TwipsRect& place = window::aboutLayoutOf(AboutControl::picIcon).place;
    const RECT at = scale.rect(place.left, place.top, 0, 0);
    const int framed = side + 2 * window::kAboutIconBorder;
    SetWindowPos(GetDlgItem(m_window, id::picIcon), nullptr, at.left, at.top, framed, framed,
                 SWP_NOZORDER | SWP_NOACTIVATE);
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

// The description as it fits the label's width in the window's font; a
// static control breaks lines as DrawText does, after ASCII spaces only.
void frmAbout::setDescription() {
    HWND label = GetDlgItem(m_window, id::lblDescription);
    RECT client{};
    GetClientRect(label, &client);
    HDC dc = GetDC(label);
    const HGDIOBJ old = SelectObject(dc, m_font);
    const auto widthOf = [dc](std::string_view text) {
        const std::wstring units = wide(text);
        SIZE size{};
        GetTextExtentPoint32W(dc, units.c_str(), static_cast<int>(units.size()), &size);
        return static_cast<double>(size.cx);
    };
    const std::string text =
        window::descriptionText(widthOf, client.right, window::SpaceBreak::AfterAsciiSpace, "\r\n");
    SelectObject(dc, old);
    ReleaseDC(label, dc);
    SetWindowTextW(label, wide(text).c_str());
}

void frmAbout::Form_Load() {
    SetWindowTextW(m_window, wide(window::aboutCaption(app::kTitle)).c_str());
    SetDlgItemTextW(m_window, id::lblTitle, wide(app::kTitle).c_str());
    const std::string version =
        window::versionLabel(app::kVersionMajor, app::kVersionMinor, app::kVersionRevision);
    SetDlgItemTextW(m_window, id::lblVersion, wide(version).c_str());
}

} // namespace quorvane::win
