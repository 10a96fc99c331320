#include "quorvane/win/table_attribute_dialog.h"

#include "quorvane/win/control_ids.h"
#include "quorvane/win/dpi_scale.h"
#include "quorvane/win/wide.h"
#include "quorvane/window/window_texts.h"

#include <stdexcept>

namespace quorvane::win {
namespace {

constexpr DWORD kStyle = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME;
constexpr DWORD kExStyle = WS_EX_DLGMODALFRAME;
constexpr int kClientWidth = 6000;
constexpr int kClientHeight = 1500;

// A dialog box of no controls and no size: they are made at the owner's DPI
// once it stands.
struct EmptyTemplate {
    DLGTEMPLATE dialog;
    WORD menu;
    WORD type;
    WORD title;
};

// Each control in twips, in tab order.
struct ControlPlace {
    int id;
    const wchar_t* type;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr ControlPlace kControls[] = {
    {id::lblTableAttr, L"STATIC", kChild | SS_LEFT | SS_NOPREFIX, 0, 180, 180, 5640, 270},
    {id::TxtTableAttr, L"EDIT", kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE, 180, 480,
     5640, 330},
    {id::cmdAttrOK, L"BUTTON", kChild | WS_TABSTOP | BS_DEFPUSHBUTTON, 0, 2730, 990, 1500, 345},
    {id::cmdAttrCancel, L"BUTTON", kChild | WS_TABSTOP | BS_PUSHBUTTON, 0, 4320, 990, 1500, 345},
};

std::wstring captionOf(int control) {
    switch (control) {
    case id::lblTableAttr:
        return wide(window::kTableAttributePrompt);
    case id::cmdAttrOK:
        return L"OK";
    case id::cmdAttrCancel:
        return wide(window::kCancelCaption);
    default:
        return {};
    }
}

} // namespace

std::optional<std::string> TableAttributeDialog::ask(HWND owner, const std::string& current,
                                                     HFONT captionFont, HFONT textFont) {
    TableAttributeDialog dialog(current, captionFont, textFont);
    alignas(DWORD) EmptyTemplate empty{};
    empty.dialog.style = kStyle;
    empty.dialog.dwExtendedStyle = kExStyle;
    const INT_PTR answer = DialogBoxIndirectParamW(GetModuleHandleW(nullptr), &empty.dialog, owner,
                                                   &TableAttributeDialog::procedure,
                                                   reinterpret_cast<LPARAM>(&dialog));
    if (answer != IDOK && answer != IDCANCEL) {
        throw std::runtime_error("the table attribute dialog failed");
    }
    return answer == IDOK ? std::optional(dialog.m_text) : std::nullopt;
}

// No exception crosses into the dialog manager: a failure ends the dialog,
// and ask throws.
INT_PTR CALLBACK TableAttributeDialog::procedure(HWND dialog, UINT message, WPARAM w, LPARAM l) {
    try {
        if (message == WM_INITDIALOG) {
            SetWindowLongPtrW(dialog, DWLP_USER, l);
            reinterpret_cast<TableAttributeDialog*>(l)->create(dialog);
            return FALSE; // the focus is set
        }
        auto* self = reinterpret_cast<TableAttributeDialog*>(GetWindowLongPtrW(dialog, DWLP_USER));
        if (self == nullptr || message != WM_COMMAND) {
            return FALSE;
        }
        if (LOWORD(w) == IDOK) {
            self->m_text = windowText(GetDlgItem(dialog, id::TxtTableAttr));
            EndDialog(dialog, IDOK);
        } else if (LOWORD(w) == IDCANCEL) {
            EndDialog(dialog, IDCANCEL);
        }
        return TRUE;
    } catch (...) {
        EndDialog(dialog, -1);
        return TRUE;
    }
}

// The controls in tab order, the text box focused with its text selected.
void TableAttributeDialog::create(HWND dialog) {
    SetWindowTextW(dialog, wide(window::kTableAttributeTitle).c_str());
    const DpiScale scale = DpiScale::of(GetWindow(dialog, GW_OWNER));
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND previous = HWND_TOP;
    for (const ControlPlace& place : kControls) {
        const RECT at = scale.rect(place.left, place.top, place.width, place.height);
        const std::wstring text = place.id == id::TxtTableAttr ? wide(m_text) : captionOf(place.id);
        HWND control = CreateWindowExW(
            place.exStyle, place.type, text.c_str(), place.style, at.left, at.top,
            at.right - at.left, at.bottom - at.top, dialog,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)), instance, nullptr);
        const HFONT font = place.id == id::TxtTableAttr ? m_textFont : m_captionFont;
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), FALSE);
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
    placeOverOwner(dialog);
    HWND text = GetDlgItem(dialog, id::TxtTableAttr);
    SetFocus(text);
    SendMessageW(text, EM_SETSEL, 0, -1);
}

// Its client area at the owner's DPI, centred over the owner.
void TableAttributeDialog::placeOverOwner(HWND dialog) {
    const HWND owner = GetWindow(dialog, GW_OWNER);
    const RECT frame =
        DpiScale::of(owner).frameOver(owner, kClientWidth, kClientHeight, kStyle, kExStyle);
    SetWindowPos(dialog, nullptr, frame.left, frame.top, frame.right - frame.left,
                 frame.bottom - frame.top, SWP_NOZORDER | SWP_NOACTIVATE);
}

} // namespace quorvane::win
