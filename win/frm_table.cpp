#include "quorvane/win/frm_table.h"

#include "quorvane/app_info.h"
#include "quorvane/win/control_ids.h"
#include "quorvane/win/dpi_scale.h"
#include "quorvane/win/frm_about.h"
#include "quorvane/win/open_windows.h"
#include "quorvane/win/progress_window.h"
#include "quorvane/win/tag_box.h"
#include "quorvane/win/wide.h"
#include "quorvane/window/conversion_job.h"

#include <commctrl.h>
#include <commdlg.h>
#include <oleacc.h>
#include <shellapi.h>

#include <iterator>
#include <stdexcept>

namespace quorvane::win {
namespace {

using window::Control;

constexpr int kMainIcon = 1;
constexpr UINT kJobEnded = WM_APP + 1;
constexpr UINT kDropped = WM_APP + 2;
constexpr UINT_PTR kProgressTimer = 1;
constexpr UINT kProgressDelayMilliseconds = 500;
constexpr int kMostPath = 32768;

// How a control is made and where it stands, in twips from the client area.
struct ControlPlace {
    int id;
    const wchar_t* type;
    const wchar_t* text;
    DWORD style;
    DWORD exStyle;
    int left, top, width, height;
};

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kNumberBox = kChild | WS_TABSTOP | ES_READONLY | ES_AUTOHSCROLL;
constexpr DWORD kSpinner = kChild | WS_TABSTOP | UDS_ARROWKEYS | UDS_NOTHOUSANDS;
constexpr DWORD kLabel = kChild | SS_LEFT | SS_NOPREFIX;
// Frame1 stands at (105, 105), Frame2 at (105, 1365): their controls are
// placed from there.
constexpr int kF1x = 105, kF1y = 105, kF2x = 105, kF2y = 1365;

// In tab order, which is the order of creation and so the z-order; group
// frames and labels take no focus.
const ControlPlace kControls[] = {
    {id::UpDown1, UPDOWN_CLASSW, L"", kSpinner, 0, kF1x + 2940, kF1y + 420, 555, 330},
    {id::CmdDataCntOK, L"BUTTON", L"決定（&K)", kButton, 0, kF1x + 3990, kF1y + 420, 2220, 330},
    {id::CmdDataCntCancel, L"BUTTON", L"やりなおし(&R)", kButton, 0, kF1x + 6405, kF1y + 420, 2220,
     330},
    {id::UpDown2, UPDOWN_CLASSW, L"", kSpinner, 0, kF2x + 2940, kF2y + 315, 555, 330},
    {id::TxtStyle, L"EDIT", L"", kChild | WS_TABSTOP | ES_AUTOHSCROLL, WS_EX_CLIENTEDGE,
     kF2x + 2310, kF2y + 735, 6315, 330},
    {id::CmdHanei, L"BUTTON", L"↓リストに反映↓(&I)", kButton, 0, kF2x + 2310, kF2y + 1155, 2010,
     330},
    {id::CmdFileOpen, L"BUTTON", L"CSVファイルの選択(&O)", kButton, 0, 4305, 4935, 2220, 330},
    {id::CmdCopy, L"BUTTON", L"クリップボードにコピー(&C)", kButton, 0, 6720, 4935, 2220, 330},
    {id::TxtTag, id::kTagBoxClass, L"", kChild | WS_TABSTOP | WS_HSCROLL | WS_VSCROLL,
     WS_EX_CLIENTEDGE, 105, 5355, 8835, 3690},
    {id::Frame1, L"BUTTON", L"参照するCSVファイルのフィールドの数", kChild | BS_GROUPBOX, 0, kF1x,
     kF1y, 8835, 1065},
    {id::TxtDataCnt, L"EDIT", L"1", kNumberBox, WS_EX_CLIENTEDGE, kF1x + 2310, kF1y + 420, 630,
     330},
    {id::Label1, L"STATIC", L"フィールドの数：", kLabel, 0, kF1x + 900, kF1y + 500, 0, 0},
    {id::Frame2, L"BUTTON", L"セルの属性の設定", kChild | BS_GROUPBOX, 0, kF2x, kF2y, 8835, 3480},
    {id::LstStyle, L"LISTBOX", L"",
     kChild | WS_TABSTOP | WS_VSCROLL | LBS_NOTIFY | LBS_NOINTEGRALHEIGHT, WS_EX_CLIENTEDGE,
     kF2x + 2310, kF2y + 1575, 6315, 1635},
    {id::TxtFeeld, L"EDIT", L"1", kNumberBox, WS_EX_CLIENTEDGE, kF2x + 2310, kF2y + 315, 630, 330},
    {id::Label2, L"STATIC", L"フィールドの列番号：", kLabel, 0, kF2x + 555, kF2y + 380, 0, 0},
    {id::Label3, L"STATIC", L"挿入したいセルの属性：", kLabel, 0, kF2x + 315, kF2y + 790, 0, 0},
    {id::Line1, L"STATIC", L"", kChild | SS_OWNERDRAW, 0, 105, 0, 8820, 0},
    {id::Line2, L"STATIC", L"", kChild | SS_OWNERDRAW, 0, 105, 10, 8820, 0},
};

// What shows and hides with the attribute group.
constexpr int kFrame2Controls[] = {id::Frame2,   id::UpDown2,  id::CmdHanei, id::TxtFeeld,
                                   id::TxtStyle, id::LstStyle, id::Label3,   id::Label2};

constexpr int kButtons[] = {id::CmdDataCntOK, id::CmdDataCntCancel, id::CmdHanei, id::CmdFileOpen,
                            id::CmdCopy};

bool isUserInput(UINT message) {
    return (message >= WM_KEYFIRST && message <= WM_KEYLAST) ||
           (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
           (message >= WM_NCMOUSEMOVE && message <= WM_NCXBUTTONDBLCLK);
}

std::wstring windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return text;
}

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
        if (form != nullptr && form->turnByKey(message)) {
            return true;
        }
    }
    return (name == id::kMainClass || name == id::kAboutClass) && IsDialogMessageW(top, &message);
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
        return 0;
    case WM_SETCURSOR:
        if (m_job != nullptr) {
            SetCursor(LoadCursorW(nullptr, IDC_WAIT));
            return TRUE;
        }
        return DefWindowProcW(m_window, message, w, l);
    case WM_CLOSE:
        // A conversion running is cancelled first; the window closes after it.
        if (m_job != nullptr) {
            m_job->cancel();
            m_closeAfterJob = true;
            return 0;
        }
        DestroyWindow(m_window); // an About window stays open
        return 0;
    default:
        return DefWindowProcW(m_window, message, w, l);
    }
}

void frmTable::createControls() {
    const HINSTANCE instance = GetModuleHandleW(nullptr);
    HWND previous = HWND_TOP;
    for (const ControlPlace& place : kControls) {
        HWND control = CreateWindowExW(
            place.exStyle, place.type, place.text, place.style, 0, 0, 0, 0, m_window,
            reinterpret_cast<HMENU>(static_cast<INT_PTR>(place.id)), instance, nullptr);
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

void frmTable::createMenus() {
    HMENU bar = CreateMenu();
    HMENU file = CreatePopupMenu();
    AppendMenuW(file, MF_STRING, id::mnuCSV, L"CSVファイルの選択(&O)");
    AppendMenuW(file, MF_SEPARATOR, 0, nullptr);
    AppendMenuW(file, MF_STRING, id::mnuClose, L"終了(&X)");
    HMENU edit = CreatePopupMenu();
    AppendMenuW(edit, MF_STRING, id::mnuCopy, L"クリップボードにコピー(&C)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(file), L"ファイル(&F)");
    AppendMenuW(bar, MF_POPUP, reinterpret_cast<UINT_PTR>(edit), L"編集(&E)");
    AppendMenuW(bar, MF_STRING, id::mnuVir, L"バージョン情報(&V)");
    SetMenu(m_window, bar);
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
    for (const ControlPlace& place : kControls) {
        HWND control = item(place.id);
        RECT at = scale.rect(place.left, place.top, place.width, place.height);
        if (place.type == std::wstring_view(L"STATIC") && place.height == 0) {
            if (place.style & SS_OWNERDRAW) {
                at.bottom = at.top + 1;
            } else {
                SIZE size{};
                GetTextExtentPoint32W(dc, place.text, static_cast<int>(wcslen(place.text)), &size);
                at.right = at.left + size.cx;
                at.bottom = at.top + size.cy;
            }
        }
        const HFONT font = place.id == id::TxtTag                                ? m_gothicTable
                           : place.id == id::TxtStyle || place.id == id::LstStyle ? m_gothicList
                                                                                : m_uiFont;
        SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(font), TRUE);
        SetWindowPos(control, nullptr, at.left, at.top, at.right - at.left, at.bottom - at.top,
                     SWP_NOZORDER | SWP_NOACTIVATE);
    }
    SelectObject(dc, old);
    ReleaseDC(m_window, dc);
    RECT frame = scale.rect(0, 0, 9150, 9150);
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
    const std::pair<int, int> named[] = {{id::TxtDataCnt, id::Label1}, {id::UpDown1, id::Label1},
                                         {id::TxtFeeld, id::Label2},   {id::UpDown2, id::Label2},
                                         {id::TxtStyle, id::Label3},   {id::LstStyle, id::Frame2}};
    for (const auto& [control, label] : named) {
        services->SetHwndPropStr(item(control), OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                                 windowText(item(label)).c_str());
    }
    services->SetHwndPropStr(item(id::TxtTag), OBJID_CLIENT, CHILDID_SELF, PROPID_ACC_NAME,
                             L"テーブルタグ");
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
    case id::mnuCSV:
        m_logic.mnuCSV_Click();
        break;
    case id::mnuCopy:
        m_logic.mnuCopy_Click();
        break;
    case id::mnuClose:
        m_logic.mnuClose_Click();
        break;
    case id::mnuVir:
        m_logic.mnuVir_Click();
        break;
    case id::TxtStyle:
        if (code == EN_CHANGE) {
            m_logic.TxtStyle_Edit(narrow(windowText(item(id::TxtStyle))));
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
    switch (which) {
    case Control::Frame2:
        return item(id::Frame2);
    case Control::TxtDataCnt:
        return item(id::TxtDataCnt);
    case Control::UpDown1:
        return item(id::UpDown1);
    case Control::CmdDataCntOK:
        return item(id::CmdDataCntOK);
    case Control::CmdDataCntCancel:
        return item(id::CmdDataCntCancel);
    case Control::TxtFeeld:
        return item(id::TxtFeeld);
    case Control::UpDown2:
        return item(id::UpDown2);
    case Control::TxtStyle:
        return item(id::TxtStyle);
    case Control::LstStyle:
        return item(id::LstStyle);
    }
    return nullptr;
}

void frmTable::setText(Control box, const std::string& text) {
    m_applying = true;
    SetWindowTextW(control(box), wide(text).c_str());
    m_applying = false;
}

// A control that loses the focus by being disabled or hidden hands it on,
// as the dialog manager would.
void frmTable::setEnabled(Control which, bool enabled) {
    HWND hwnd = control(which);
    const bool hadFocus = GetFocus() == hwnd;
    EnableWindow(hwnd, enabled ? TRUE : FALSE);
    if (hadFocus && !enabled) {
        SetFocus(GetNextDlgTabItem(m_window, hwnd, FALSE));
    }
}

void frmTable::setShown(Control which, bool shown) {
    if (which != Control::Frame2) {
        ShowWindow(control(which), shown ? SW_SHOW : SW_HIDE);
        return;
    }
    const HWND focus = GetFocus();
    bool hadFocus = false;
    for (int part : kFrame2Controls) {
        hadFocus = hadFocus || focus == item(part);
        ShowWindow(item(part), shown ? SW_SHOW : SW_HIDE);
    }
    if (hadFocus && !shown) {
        SetFocus(GetNextDlgTabItem(m_window, focus, FALSE));
    }
}

void frmTable::setFocus(Control which) {
    SetFocus(control(which));
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
// exist, the file need not; it starts at the file chosen last. Names stay
// UTF-16 and may be longer than MAX_PATH.
std::optional<std::filesystem::path> frmTable::chooseCsvFile(const std::filesystem::path& last) {
    std::wstring name(kMostPath, L'\0');
    const std::wstring start = last.wstring();
    if (start.size() < name.size()) {
        std::copy(start.begin(), start.end(), name.begin());
    }
    OPENFILENAMEW dialog{};
    dialog.lStructSize = sizeof dialog;
    dialog.hwndOwner = m_window;
    dialog.lpstrFilter = L"CSV(*.csv)\0*.csv\0";
    dialog.lpstrFile = name.data();
    dialog.nMaxFile = static_cast<DWORD>(name.size());
    dialog.Flags = OFN_OVERWRITEPROMPT | OFN_HIDEREADONLY | OFN_PATHMUSTEXIST | OFN_EXPLORER;
    if (!GetOpenFileNameW(&dialog)) {
        if (CommDlgExtendedError() != 0) {
            throw std::runtime_error("the file dialog failed");
        }
        return std::nullopt;
    }
    return std::filesystem::path(name.c_str());
}

// The window stays painted while the job runs and takes no input. After
// half a second the progress window shows, from which it can be cancelled.
void frmTable::waitFor(window::ConversionJob& job) {
    m_job = &job;
    HWND self = m_window;
    job.start([self] { PostMessageW(self, kJobEnded, 0, 0); });
    EnableWindow(m_window, FALSE);
    SetCursor(LoadCursorW(nullptr, IDC_WAIT));
    SetTimer(m_window, kProgressTimer, kProgressDelayMilliseconds, nullptr);
    std::unique_ptr<ProgressWindow> progress;
    MSG message;
    int quit = -1;
    for (;;) {
        const BOOL got = GetMessageW(&message, nullptr, 0, 0);
        if (got <= 0) {
            quit = static_cast<int>(message.wParam);
            job.cancel();
            break;
        }
        if (message.hwnd == m_window && message.message == kJobEnded) {
            break;
        }
        if (message.hwnd == m_window && message.message == WM_TIMER &&
            message.wParam == kProgressTimer) {
            KillTimer(m_window, kProgressTimer);
            if (!job.ended()) {
                progress = std::make_unique<ProgressWindow>(job, m_window, m_uiFont,
                                                            DpiScale::of(m_window).dpi());
            }
            continue;
        }
        if (progress && IsDialogMessageW(progress->handle(), &message)) {
            continue;
        }
        if (isUserInput(message.message) &&
            (message.hwnd == m_window || IsChild(m_window, message.hwnd))) {
            continue;
        }
        TranslateMessage(&message);
        DispatchMessageW(&message);
    }
    KillTimer(m_window, kProgressTimer);
    EnableWindow(m_window, TRUE);
    progress.reset();
    job.wait();
    m_job = nullptr;
    SetCursor(LoadCursorW(nullptr, IDC_ARROW));
    if (quit >= 0) {
        PostQuitMessage(quit);
    } else if (m_closeAfterJob) {
        PostMessageW(m_window, WM_CLOSE, 0, 0);
    }
}

void frmTable::showTable(std::string&& text) {
    TagBox::of(item(id::TxtTag))->setText(std::move(text));
}

void frmTable::copyTable() {
    TagBox::of(item(id::TxtTag))->copy(true);
}

void frmTable::reportFailure() {
    MessageBoxW(m_window, L"未知のエラーが発生しました。", L"ぽるめに", MB_OK | MB_ICONINFORMATION);
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

// Ends the program at once, an About window with it.
void frmTable::exitProgram() {
    if (m_about != nullptr && IsWindow(m_about)) {
        DestroyWindow(m_about);
    }
    DestroyWindow(m_window);
}

} // namespace quorvane::win
