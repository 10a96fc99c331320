#include "quorvane/win/frm_table.h"

#include "quorvane/app_info.h"
#include "quorvane/win/control_ids.h"
#include "quorvane/win/dpi_scale.h"
#include "quorvane/win/frm_about.h"
#include "quorvane/win/open_windows.h"
#include "quorvane/win/progress_window.h"
#include "quorvane/win/registry_settings.h"
#include "quorvane/win/table_attribute_dialog.h"
#include "quorvane/win/tag_box.h"
#include "quorvane/win/wide.h"
#include "quorvane/window/main_layout.h"
#include "quorvane/window/window_texts.h"

#include <commctrl.h>
#include <commdlg.h>
#include <oleacc.h>
#include <shellapi.h>

#include <algorithm>
#include <iterator>
#include <stdexcept>
#include <utility>
#include <vector>

namespace quorvane::win {
namespace {

using window::Control;
using window::MenuItem;

constexpr int kMainIcon = 1;
constexpr UINT kJobEnded = WM_APP + 1;
constexpr UINT kDropped = WM_APP + 2;
constexpr UINT_PTR kLogicTimer = 1;
constexpr int kMostPath = 32768;

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kNumberBox = kChild | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kSpinner = kChild | WS_TABSTOP | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
constexpr DWORD kLabel = kChild | SS_LEFT | SS_NOPREFIX;

// The window class and styles of a control of each kind.
struct ControlType {
    const wchar_t* type;
    DWORD style;
    DWORD exStyle;
};

ControlType typeOf(window::ControlKind kind) {
    using K = window::ControlKind;
    switch (kind) {
    case K::Button:
        return {L"BUTTON", kButton, 0};
    case K::Frame:
        return {L"BUTTON", kChild | BS_GROUPBOX, 0};
    case K::Label:
        return {L"STATIC", kLabel, 0};
    case K::NumberBox:
        return {L"EDIT", kNumberBox, WS_EX_CLIENTEDGE};
    case K::Editor:
        return {L"EDIT", kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE};
    case K::List:
        return {L"LISTBOX", kChild | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT,
                WS_EX_CLIENTEDGE};
    case K::Spinner:
        return {UPDOWN_CLASSW, kSpinner, 0};
    case K::OutputBox:
        return {id::kTagBoxClass, kChild | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL, WS_EX_CLIENTEDGE};
    case K::Line:
        break;
    }
    return {L"STATIC", kChild | SS_OWNERDRAW, 0};
}

// The control id each control is found by.
int idOf(Control control) {
    constexpr std::pair<Control, int> kIds[] = {
        {Control::CmdCopy, id::CmdCopy},
        {Control::Frame2, id::Frame2},
        {Control::UpDown2, id::UpDown2},
        {Control::CmdHanei, id::CmdHanei},
        {Control::TxtFeeld, id::TxtFeeld},
        {Control::TxtStyle, id::TxtStyle},
        {Control::LstStyle, id::LstStyle},
        {Control::Label3, id::Label3},
        {Control::Label2, id::Label2},
        {Control::Frame1, id::Frame1},
        {Control::CmdDataCntCancel, id::CmdDataCntCancel},
        {Control::CmdDataCntOK, id::CmdDataCntOK},
        {Control::TxtDataCnt, id::TxtDataCnt},
        {Control::UpDown1, id::UpDown1},
        {Control::Label1, id::Label1},
        {Control::TxtTag, id::TxtTag},
        {Control::CmdFileOpen, id::CmdFileOpen},
        {Control::Line2, id::Line2},
        {Control::Line1, id::Line1},
    };
    return std::ranges::find(kIds, control, &std::pair<Control, int>::first)->second;
}

// The WM_COMMAND id of each menu item.
constexpr std::pair<MenuItem, int> kMenuIds[] = {
    {MenuItem::mnuCSV, id::mnuCSV},
    {MenuItem::mnuSave, id::mnuSave},
    {MenuItem::mnuBrowser, id::mnuBrowser},
    {MenuItem::mnuClose, id::mnuClose},
    {MenuItem::mnuCopy, id::mnuCopy},
    {MenuItem::mnuHeader, id::mnuHeader},
    {MenuItem::mnuEscape, id::mnuEscape},
    {MenuItem::mnuComma, id::mnuComma},
    {MenuItem::mnuTab, id::mnuTab},
    {MenuItem::mnuSemicolon, id::mnuSemicolon},
    {MenuItem::mnuBar, id::mnuBar},
    {MenuItem::mnuAuto, id::mnuAuto},
    {MenuItem::mnuReadCp932, id::mnuReadCp932},
    {MenuItem::mnuReadUtf8, id::mnuReadUtf8},
    {MenuItem::mnuReadUtf16, id::mnuReadUtf16},
    {MenuItem::mnuTableAttr, id::mnuTableAttr},
    {MenuItem::mnuSaveUtf8, id::mnuSaveUtf8},
    {MenuItem::mnuSaveCp932, id::mnuSaveCp932},
    {MenuItem::mnuVir, id::mnuVir},
};

int menuIdOf(MenuItem item) {
    const auto* found = std::ranges::find(kMenuIds, item, &std::pair<MenuItem, int>::first);
    if (found == std::end(kMenuIds)) {
        throw std::invalid_argument("no such menu item");
    }
    return found->second;
}

std::optional<MenuItem> menuItemOf(int command) {
    const auto* found = std::ranges::find(kMenuIds, command, &std::pair<MenuItem, int>::second);
    return found != std::end(kMenuIds) ? std::optional(found->first) : std::nullopt;
}

// One entry of the menu bar as the system takes it; a choice shows a round
// check mark.
MENUITEMINFOW menuEntry(const window::MenuLayout& layout, std::wstring& text, HMENU submenu) {
    MENUITEMINFOW entry{};
    entry.cbSize = sizeof entry;
    if (layout.kind == window::MenuKind::Separator) {
        entry.fMask = MIIM_FTYPE;
        entry.fType = MFT_SEPARATOR;
        return entry;
    }
    text = wide(layout.caption);
    entry.fMask = MIIM_FTYPE | MIIM_STRING;
    entry.fType =
        layout.kind == window::MenuKind::Choice ? MFT_STRING | MFT_RADIOCHECK : MFT_STRING;
    entry.dwTypeData = text.data();
    if (submenu != nullptr) {
        entry.fMask |= MIIM_SUBMENU;
        entry.hSubMenu = submenu;
    } else {
        entry.fMask |= MIIM_ID;
        entry.wID = static_cast<UINT>(menuIdOf(layout.item));
    }
    return entry;
}

// A common file dialog of the window, `show` being GetOpenFileNameW or
// GetSaveFileNameW, starting at `start`'s folder and name; nothing when the
// user cancels. Names stay UTF-16 and may be longer than MAX_PATH.
std::optional<std::filesystem::path> fileDialog(OPENFILENAMEW dialog,
                                                const std::filesystem::path& start,
                                                BOOL(WINAPI* show)(OPENFILENAMEW*)) {
    std::wstring name(kMostPath, L'\0');
    const std::wstring text = start.wstring();
    if (text.size() < name.size()) {
        std::ranges::copy(text, name.begin());
    }
    dialog.lStructSize = sizeof dialog;
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    if (!show(&dialog)) {
        if (CommDlgExtendedError() != 0) {
            throw std::runtime_error("the file dialog failed");
        }
        return std::nullopt;
    }
    return std::filesystem::path(name.c_str());
}

// The dialog manager walks the controls in z-order: they are created in tab
// order, the controls without a place last.
std::vector<window::ControlLayout> inTabOrder() {
    std::vector<window::ControlLayout> controls(window::mainControls().begin(),
                                                window::mainControls().end());
    std::ranges::stable_sort(controls, [](const auto& a, const auto& b) {
        return static_cast<unsigned>(a.tab) < static_cast<unsigned>(b.tab);
    });
    return controls;
}

constexpr int kButtons[] = {id::CmdDataCntOK, id::CmdDataCntCancel, id::CmdHanei, id::CmdFileOpen,
                            id::CmdCopy};

} // namespace

void frmTable::registerClass(HINSTANCE instance) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.lpfnWndProc = &frmTable::procedure;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_ARROW);
    type.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    type.hIcon = LoadIconW(instance, MAKEINTRESOURCEW(kMainIcon));
    type.lpszClassName = id::kMainClass;
    RegisterClassExW(&type);
    TagBox::registerClass(instance);
    ProgressWindow::registerClass(instance);
    frmAbout::registerClass(instance);
}

frmTable::~frmTable() = default;

HWND frmTable::open(int show) {
    auto* form = new frmTable;
    const DWORD style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX;
    HWND window = CreateWindowExW(0, id::kMainClass, wide(app::kTitle).c_str(), style,
                                  CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT,
                                  nullptr, nullptr, GetModuleHandleW(nullptr), form);
    if (window == nullptr) {
        delete form;
        return nullptr;
    }
    ShowWindow(window, show);
    UpdateWindow(window);
    return window;
}

// Tab, access keys, Enter and Esc of the main window and of an About window.
bool frmTable::takeDialogKeys(MSG& message) {
    HWND top = GetAncestor(message.hwnd, GA_ROOT);
    if (top == nullptr) {
        return false;
    }
    wchar_t type[32] = {};
    GetClassNameW(top, type, static_cast<int>(std::size(type)));
    const std::wstring_view name(type);
    if (name == id::kMainClass) {
        auto* form = reinterpret_cast<frmTable*>(GetWindowLongPtrW(top, GWLP_USERDATA));
        if (form != nullptr && (form->busyInput(message) || form->turnByKey(message))) {
            return true;
        }
    }
    return (name == id::kMainClass || name == id::kAboutClass) && IsDialogMessageW(top, &message);
}

// While a conversion runs, the keys and clicks meant for the window's client
// area go nowhere; its title bar and close box still answer.
bool frmTable::busyInput(const MSG& message) const {
    const bool input = (message.message >= WM_KEYFIRST && message.message <= WM_KEYLAST) ||
                       (message.message >= WM_MOUSEFIRST && message.message <= WM_MOUSELAST);
    return m_busy && input;
}

// Up and Down on a focused spinner turn it by one, as a click on its arrows
// does and by the same notification; the dialog manager would take them for
// moving the focus.
bool frmTable::turnByKey(const MSG& message) {
    if (message.message != WM_KEYDOWN || (message.wParam != VK_UP && message.wParam != VK_DOWN)) {
        return false;
    }
    const int spinner = GetDlgCtrlID(message.hwnd);
    if (GetParent(message.hwnd) != m_window || (spinner != id::UpDown1 && spinner != id::UpDown2)) {
        return false;
    }
    NMUPDOWN turn{};
    turn.hdr = {message.hwnd, static_cast<UINT_PTR>(spinner), UDN_DELTAPOS};
    turn.iPos = static_cast<int>(SendMessageW(message.hwnd, UDM_GETPOS32, 0, 0));
    turn.iDelta = message.wParam == VK_UP ? 1 : -1;
    SendMessageW(m_window, WM_NOTIFY, static_cast<WPARAM>(spinner),
                 reinterpret_cast<LPARAM>(&turn));
    return true;
}

LRESULT CALLBACK frmTable::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* form = static_cast<frmTable*>(reinterpret_cast<CREATESTRUCTW*>(l)->lpCreateParams);
        form->m_window = window;
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(form));
        OpenWindows::opened();
    }
    auto* form = reinterpret_cast<frmTable*>(GetWindowLongPtrW(window, GWLP_USERDATA));
    if (form == nullptr) {
        return DefWindowProcW(window, message, w, l);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        for (HFONT font : {form->m_uiFont, form->m_gothicList, form->m_gothicTable}) {
            DeleteObject(font);
        }
        delete form;
        OpenWindows::closed();
        return DefWindowProcW(window, message, w, l);
    }
    // No exception crosses into the system: a failure is the one message.
    try {
        return form->handle(message, w, l);
    } catch (...) {
        form->reportFailure();
        return 0;
    }
}

LRESULT frmTable::handle(UINT message, WPARAM w, LPARAM l) {
    if (m_focus.handle(m_window, message, w)) {
        return 0;
    }
    switch (message) {
    case WM_CREATE:
        createControls();
        createMenus();
        makeFonts(DpiScale::of(m_window).dpi());
        layOut();
        nameForAssistiveTools();
        DragAcceptFiles(m_window, TRUE);
        m_logic.Form_Load();
        return 0;
    case WM_DPICHANGED: {
        // The old fonts go once no control uses them.
        const HFONT old[] = {m_uiFont, m_gothicList, m_gothicTable};
        makeFonts(HIWORD(w));
        layOut();
        if (m_progress) {
            m_progress->setFont(m_uiFont);
        }
        for (HFONT font : old) {
            DeleteObject(font);
        }
        const auto* suggested = reinterpret_cast<const RECT*>(l);
        SetWindowPos(m_window, nullptr, suggested->left, suggested->top, 0, 0,
                     SWP_NOZORDER | SWP_NOSIZE | SWP_NOACTIVATE);
        return 0;
    }
    case WM_COMMAND:
        onCommand(LOWORD(w), HIWORD(w));
        return 0;
    case WM_NOTIFY:
        return onNotify(*reinterpret_cast<const NMHDR*>(l)) ? TRUE : FALSE;
    case WM_DRAWITEM: {
        const auto* item = reinterpret_cast<const DRAWITEMSTRUCT*>(l);
        FillRect(item->hDC, &item->rcItem,
                 GetSysColorBrush(item->CtlID == id::Line1 ? COLOR_3DSHADOW : COLOR_3DHILIGHT));
        return TRUE;
    }
    case WM_DROPFILES:
        onDrop(reinterpret_cast<HDROP>(w));
        return 0;
    case kDropped: {
        std::unique_ptr<std::wstring> path(reinterpret_cast<std::wstring*>(l));
        m_logic.File_Drop(std::filesystem::path(*path));
        return 0;
    }
    case kJobEnded:
        m_logic.Job_End(static_cast<std::uint64_t>(w));
        return 0;
    case WM_TIMER:
        if (w == kLogicTimer) {
            KillTimer(m_window, kLogicTimer);
            m_logic.Timer_Tick();
        }
        return 0;
    case WM_SETCURSOR:
        if (m_busy && !m_progress) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        return DefWindowProcW(m_window, message, w, l);
    case WM_CLOSE:
        // A conversion running is cancelled first; the window closes after it.
        if (m_logic.Form_QueryUnload()) {
            DestroyWindow(m_window); // an About window stays open
        }
        return 0;
    default:
        return DefWindowProcW(m_window, message, w, l);
    }
}

void frmTable::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND previous = HWND_TOP;
    for (const window::ControlLayout& place : inTabOrder()) {
        const ControlType type = typeOf(place.kind);
        const std::wstring text = place.kind == window::ControlKind::Label ||
                                          place.kind == window::ControlKind::Button ||
                                          place.kind == window::ControlKind::Frame ||
                                          place.kind == window::ControlKind::NumberBox
                                      ? wide(place.caption)
                                      : std::wstring();
        HWND control = CreateWindowExW(
            type.exStyle, type.type, text.c_str(), type.style, 0, 0, 0, 0, m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(idOf(place.control))), instance, nullptr);
        SetWindowPos(control, previous, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        previous = control;
    }
    // The spinners turn by one however long they are held; each is bound to
    // its number box, whose arrow keys turn it too.
    UDACCEL one{0, 1};
    for (const auto& [spinner, box] :
         {std::pair{id::UpDown1, id::TxtDataCnt}, std::pair{id::UpDown2, id::TxtFeeld}}) {
        SendMessageW(item(spinner), UDM_SETACCEL, 1, reinterpret_cast<LPARAM>(&one));
        SendMessageW(item(spinner), UDM_SETBUDDY, reinterpret_cast<WPARAM>(item(box)), 0);
    }
    SendMessageW(item(id::TxtStyle), EM_SETLIMITTEXT, 0x7FFFFFFE, 0);
}

// The menu bar as the layout has it: each entry in the menu above it, one
// level up. The window destroys the menus with itself.
void frmTable::createMenus() {
    HMENU menus[3] = {CreateMenu()};
    for (const window::MenuLayout& layout : window::mainMenus()) {
        HMENU submenu = nullptr;
        if (layout.kind == window::MenuKind::DropDown || layout.kind == window::MenuKind::SubMenu) {
            submenu = menus[layout.level + 1] = CreatePopupMenu();
        }
        std::wstring text;
        const MENUITEMINFOW entry = menuEntry(layout, text, submenu);
        HMENU into = menus[layout.level];
        InsertMenuItemW(into, static_cast<UINT>(GetMenuItemCount(into)), TRUE, &entry);
    }
    SetMenu(m_window, menus[0]);
}

// The system's message font for captions; "ＭＳ ゴシック" with the Japanese
// character set for the attribute editor, the list and the output box. The
// fonts they replace are the caller's to delete.
void frmTable::makeFonts(UINT dpi) {
    const DpiScale scale(dpi);
    NONCLIENTMETRICSW metrics{};
    metrics.cbSize = sizeof metrics;
    SystemParametersInfoForDpi(SPI_GETNONCLIENTMETRICS, sizeof metrics, &metrics, 0, dpi);
    const auto gothic = [&](double points) {
        LOGFONTW font{};
        font.lfHeight = scale.fontHeight(points);
        font.lfCharSet = SHIFTJIS_CHARSET;
        font.lfPitchAndFamily = FIXED_PITCH | FF_MODERN;
        wcscpy_s(font.lfFaceName, L"ＭＳ ゴシック");
        return CreateFontIndirectW(&font);
    };
    m_uiFont = CreateFontIndirectW(&metrics.lfMessageFont);
    m_gothicList = gothic(11.25);
    m_gothicTable = gothic(9);
}

// Every control in its place at the window's DPI; labels take the size of
// their text; the client area is 9150 twips square.
void frmTable::layOut() {
    const DpiScale scale = DpiScale::of(m_window);
    HDC dc = GetDC(m_window);
    const HGDIOBJ old = SelectObject(dc, m_uiFont);
    for (const window::ControlLayout& place : window::mainControls()) {
        HWND control = item(idOf(place.control));
        const window::TwipsRect twips = window::clientPlace(place.control);
        RECT at = scale.rect(twips.left, twips.top, twips.width, twips.height);
        if (place.kind == window::ControlKind::Line) {
            at.bottom = at.top + 1;
        } else if (place.kind == window::ControlKind::Label) {
            const std::wstring text = wide(place.caption);
            SIZE size{};
            GetTextExtentPoint32W(dc, text.c_str(), static_cast<int>(text.size()), &size);
            at.right = at.left + size.cx;
            at.bottom = at.top + size.cy;
        }
        const HFONT font = place.font == window::FontRole::Gothic9    ? m_gothicTable
                           : place.font == window::FontRole::Gothic11 ? m_gothicList
                                                                      : m_uiFont;
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SetWindowPos(control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SelectObject(dc, old);
    ReleaseDC(m_window, dc);
    RECT frame = scale.rect(0, 0, window::kClientWidth, window::kClientHeight);
    AdjustWindowRectExForDpi(&frame, static_cast<DWORD>(GetWindowLongPtrW(m_window, GWL_STYLE)),
                             TRUE, 0, scale.dpi());
    SetWindowPos(m_window, nullptr, 0, 0, frame.right - frame.left, frame.bottom - frame.top,
                 SWP_NOZORDER | SWP_NOMOVE | SWP_NOACTIVATE);
}

// What assistive tools call the boxes, the list and the output box: the
// label or caption beside them, as the controls' names.
void frmTable::nameForAssistiveTools() {
    IAccPropServices* services = nullptr;
    if (FAILED(CoCreateInstance(CLSID_AccPropServices, nullptr, CLSCTX_INPROC_SERVER,
                                IID_IAccPropServices, reinterpret_cast<void**>(&services)))) {
        return;
    }
    for (const window::ControlLayout& place : window::mainControls()) {
        if (!place.accessibleName.empty()) {
            services->SetHwndPropStr(item(idOf(place.control)), OBJID_CLIENT, CHILDID_SELF,
                                     PROPID_ACC_NAME, wide(place.accessibleName).c_str());
        }
    }
    VARIANT role;
    VariantInit(&role);
    role.vt = VT_I4;
    role.lVal = ROLE_SYSTEM_TEXT;
    services->SetHwndProp(item(id::TxtTag), OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_ROLE, role);
    services->Release();
}

// Enter presses the focused button and nothing else, Esc (IDCANCEL)
// nothing: the window has no default or cancel button.
void frmTable::onCommand(int control, int code) {
    if (control == IDOK) {
        const HWND focus = GetFocus();
        for (int button : kButtons) {
            if (focus == item(button)) {
                onCommand(button, BN_CLICKED);
            }
        }
        return;
    }
    if (m_applying) {
        return;
    }
    if (const std::optional<MenuItem> menuItem = menuItemOf(control)) {
        m_logic.Menu_Click(*menuItem);
        return;
    }
    switch (control) {
    case id::CmdDataCntOK:
        m_logic.CmdDataCntOK_Click();
        break;
    case id::CmdDataCntCancel:
        m_logic.CmdDataCntCancel_Click();
        break;
    case id::CmdHanei:
        m_logic.CmdHanei_Click();
        break;
    case id::CmdFileOpen:
        m_logic.CmdFileOpen_Click();
        break;
    case id::CmdCopy:
        m_logic.CmdCopy_Click();
        break;
    case id::TxtStyle:
        if (code == EN_CHANGE) {
            m_logic.TxtStyle_Edit(windowText(item(id::TxtStyle)));
        }
        break;
    case id::TxtTag:
        if (code == TagBox::kCopyFailed) {
            reportFailure();
        }
        break;
    case id::LstStyle:
        if (code == LBN_SELCHANGE) {
            const auto row = SendMessageW(item(id::LstStyle), LB_GETCURSEL, 0, 0);
            if (row != LB_ERR) {
                m_logic.LstStyle_Click(static_cast<int>(row));
            }
        }
        break;
    default:
        break;
    }
}

// A spinner's turn goes to the behaviour, which sets the spinner itself.
bool frmTable::onNotify(const NMHDR& header) {
    if (header.code != UDN_DELTAPOS ||
        (header.idFrom != id::UpDown1 && header.idFrom != id::UpDown2)) {
        return false;
    }
    const int steps = reinterpret_cast<const NMUPDOWN&>(header).iDelta;
    header.idFrom == id::UpDown1 ? m_logic.UpDown1_Turn(steps) : m_logic.UpDown2_Turn(steps);
    return true;
}

// One file dropped converts after the drop has ended; several are refused.
void frmTable::onDrop(HDROP drop) {
    std::unique_ptr<std::wstring> path;
    if (DragQueryFileW(drop, 0xFFFFFFFF, nullptr, 0) == 1) {
        path = std::make_unique<std::wstring>(DragQueryFileW(drop, 0, nullptr, 0) + 1, L'\0');
        path->resize(DragQueryFileW(drop, 0, path->data(), static_cast<UINT>(path->size())));
    }
    DragFinish(drop);
    if (path && PostMessageW(m_window, kDropped, 0, reinterpret_cast<LPARAM>(path.get()))) {
        path.release();
    }
}

HWND frmTable::control(Control which) const {
    return item(idOf(which));
}

void frmTable::setText(Control box, const std::string& text) {
    m_applying = true;
    SetWindowTextW(control(box), wide(text).c_str());
    m_applying = false;
}

void frmTable::setEnabled(Control which, bool enabled) {
    EnableWindow(control(which), enabled ? TRUE : FALSE);
}

// The attribute group shows and hides with everything in it.
void frmTable::setShown(Control which, bool shown) {
    for (const window::ControlLayout& place : window::mainControls()) {
        if (place.control == which || place.group == which) {
            ShowWindow(control(place.control), shown ? SW_SHOW : SW_HIDE);
        }
    }
}

void frmTable::setFocus(Control which) {
    SetFocus(control(which));
}

std::optional<Control> frmTable::focusedControl() const {
    const HWND focus = GetFocus();
    for (const window::ControlLayout& place : window::mainControls()) {
        if (focus != nullptr && focus == control(place.control)) {
            return place.control;
        }
    }
    return std::nullopt;
}

void frmTable::setSpinner(Control spinner, int value, int minimum, int maximum) {
    SendMessageW(control(spinner), UDM_SETRANGE32, static_cast<WPARAM>(minimum), maximum);
    SendMessageW(control(spinner), UDM_SETPOS32, 0, value);
}

void frmTable::setListRows(const std::vector<std::string>& rows) {
    m_applying = true;
    HWND list = item(id::LstStyle);
    SendMessageW(list, LB_RESETCONTENT, 0, 0);
    for (const std::string& row : rows) {
        SendMessageW(list, LB_ADDSTRING, 0, reinterpret_cast<LPARAM>(wide(row).c_str()));
    }
    m_applying = false;
}

void frmTable::setListRow(int row, const std::string& text) {
    m_applying = true;
    HWND list = item(id::LstStyle);
    const auto selected = SendMessageW(list, LB_GETCURSEL, 0, 0);
    SendMessageW(list, LB_DELETESTRING, static_cast<WPARAM>(row), 0);
    SendMessageW(list, LB_INSERTSTRING, static_cast<WPARAM>(row),
                 reinterpret_cast<LPARAM>(wide(text).c_str()));
    if (selected == row) {
        SendMessageW(list, LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    }
    m_applying = false;
}

void frmTable::selectListRow(int row) {
    m_applying = true;
    SendMessageW(item(id::LstStyle), LB_SETCURSEL, static_cast<WPARAM>(row), 0);
    m_applying = false;
}

// The common open dialog: one filter, no read-only box, the folder must
// exist, the file need not; it starts at the file chosen last.
std::optional<std::filesystem::path> frmTable::chooseCsvFile(const std::filesystem::path& last) {
    OPENFILENAMEW dialog{};
    dialog.hwndOwner = m_window;
    dialog.lpstrFilter = L"CSV(*.csv)\0*.csv\0";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    return fileDialog(dialog, last, &GetOpenFileNameW);
}

// The common save dialog for HTML files, asking before it replaces one and
// refusing a read-only one; a name typed without an extension gets .html.
std::optional<std::filesystem::path>
frmTable::chooseSaveFile(const std::filesystem::path& suggested) {
    OPENFILENAMEW dialog{};
    dialog.hwndOwner = m_window;
    dialog.lpstrFilter = L"HTML (*.html;*.htm)\0*.html;*.htm\0";
    dialog.lpstrDefExt = L"html";
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_PATHMUSTEXIST | OFN_NOREADONLYRETURN | OFN_EXPLORER;
    return fileDialog(dialog, suggested, &GetSaveFileNameW);
}

// The system's handler for HTML files, by the file's association. The
// system shows nothing of its own when there is none, or it fails: the
// failure is the one message.
void frmTable::openDocument(const std::filesystem::path& file) {
    SHELLEXECUTEINFOW open{};
    open.cbSize = sizeof open;
    open.fMask = SEE_MASK_FLAG_NO_UI;
    open.hwnd = m_window;
    open.lpVerb = L"open";
    open.lpFile = file.c_str();
    open.nShow = SW_SHOWNORMAL;
    if (!ShellExecuteExW(&open) || reinterpret_cast<INT_PTR>(open.hInstApp) <= 32) {
        throw std::runtime_error("no handler for HTML files");
    }
}

void frmTable::setChecked(MenuItem menuItem, bool checked) {
    CheckMenuItem(GetMenu(m_window), static_cast<UINT>(menuIdOf(menuItem)),
                  MF_BYCOMMAND | (checked ? MF_CHECKED : MF_UNCHECKED));
}

window::SettingPairs frmTable::loadSettings() {
    return RegistrySettings::load();
}

void frmTable::saveSettings(const window::SettingPairs& changed) {
    RegistrySettings::save(changed);
}

std::optional<std::string> frmTable::askTableAttribute(const std::string& current) {
    return TableAttributeDialog::ask(m_window, current, m_uiFont, m_gothicList);
}

// While a conversion runs the window takes no input from the user and shows
// the busy cursor. It stays enabled until the progress window shows: a
// window disabled as the file dialog closes is one the system activates no
// more, and its focus would be lost.
void frmTable::setBusy(bool busy) {
    m_busy = busy;
    if (busy) {
        SetCursor(LoadCursorW(nullptr, IDC_WAIT));
        return;
    }
    POINT cursor{};
    GetCursorPos(&cursor);
    SetCursorPos(cursor.x, cursor.y); // the cursor shape is asked for again
}

void frmTable::startTimer(int milliseconds) {
    SetTimer(m_window, kLogicTimer, static_cast<UINT>(milliseconds), nullptr);
}

void frmTable::stopTimer() {
    KillTimer(m_window, kLogicTimer);
}

// Runs on the worker: the end is posted to the window's thread. A window
// already gone takes no message.
void frmTable::postJobEnd(std::uint64_t job) {
    PostMessageW(m_window, kJobEnded, static_cast<WPARAM>(job), 0);
}

void frmTable::showProgress(const std::filesystem::path& file, int steps) {
    if (!m_progress) {
        m_progress = std::make_unique<ProgressWindow>(file.filename().wstring(), m_window, m_uiFont,
                                                      DpiScale::of(m_window).dpi(),
                                                      [this] { m_logic.CmdCancel_Click(); });
    }
    m_progress->setSteps(steps);
}

void frmTable::closeProgress() {
    m_progress.reset();
}

window::AdvanceBounds frmTable::tableAdvanceBounds() const {
    return TagBox::of(item(id::TxtTag))->bounds();
}

void frmTable::showTable(window::IndexedText&& table) {
    TagBox::of(item(id::TxtTag))->setText(std::move(table));
}

void frmTable::copyTable() {
    TagBox::of(item(id::TxtTag))->copy(true);
}

std::string_view frmTable::tableText() const {
    return TagBox::of(item(id::TxtTag))->text();
}

void frmTable::reportFailure() {
    MessageBoxW(m_window, wide(window::kFailureText).c_str(), wide(window::kFailureTitle).c_str(),
                MB_OK | MB_ICONINFORMATION);
}

// One About window at most: a second choice brings the open one forward.
void frmTable::showAbout() {
    if (m_about != nullptr && IsWindow(m_about)) {
        ShowWindow(m_about, SW_SHOW);
        SetForegroundWindow(m_about);
        return;
    }
    m_about = frmAbout::open();
}

void frmTable::closeWindow() {
    PostMessageW(m_window, WM_CLOSE, 0, 0);
}

// Ends the program at once, an About window with it.
void frmTable::exitProgram() {
    if (m_about != nullptr && IsWindow(m_about)) {
        DestroyWindow(m_about);
    }
    DestroyWindow(m_window);
}

} // namespace quorvane::win
