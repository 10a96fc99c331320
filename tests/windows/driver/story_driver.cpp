// Drives the running quorvane.exe through the Windows API, as a user would,
// from a process of its own under Wine: finds the windows and controls by
// class and id, clicks buttons, turns spinners, types with key presses and
// reads texts and the clipboard. Every wait has a deadline.
//
//   story_driver story CSV_NAME MISSING_NAME OUT_FOLDER
//       the user's story; writes OUT_FOLDER\box.txt (the output box after
//       the conversion) and OUT_FOLDER\clipboard.txt, both UTF-8
//   story_driver pose CSV_NAME      a converted table and the About window,
//                                   left open for a picture; prints where
//                                   they stand: "window NAME X Y WIDTH HEIGHT"
//   story_driver close              waits for the main window and exits
//                                   the program from its menu
//
// Prints one line per step; exits 1 at the first failure, naming it.
#include <windows.h>
#include <commctrl.h>
#include <dlgs.h>

#include <quorvane/win/control_ids.h>

#include <cstdio>
#include <functional>
#include <utility>
#include <string>
#include <vector>

namespace id = quorvane::win::id;

namespace {

DWORD g_wait_ms = 20000;
HWND g_main = nullptr;

std::string utf8(const std::wstring& text) {
    if (text.empty()) return {};
    const int size = WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), nullptr, 0,
                                         nullptr, nullptr);
    std::string out(size, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), size, nullptr,
                        nullptr);
    return out;
}

[[noreturn]] void fail(const std::string& what) {
    std::printf("FAILED: %s\n", what.c_str());
    std::fflush(stdout);
    std::exit(1);
}

void step(const char* what) {
    std::printf("step: %s\n", what);
    std::fflush(stdout);
}

// Class and id of a window, for messages.
std::string describe(HWND hwnd) {
    wchar_t name[64] = {};
    if (hwnd) GetClassNameW(hwnd, name, 64);
    return hwnd ? utf8(name) + " " + std::to_string(GetDlgCtrlID(hwnd)) : "no window";
}

// Polls the condition every 20 ms until it holds or the deadline passes;
// the failure tells what was seen last, when told how.
void wait_for(const std::string& what, const std::function<bool()>& condition,
              const std::function<std::string()>& seen = {}) {
    const ULONGLONG deadline = GetTickCount64() + g_wait_ms;
    while (!condition()) {
        if (GetTickCount64() > deadline)
            fail("waited " + std::to_string(g_wait_ms / 1000) + " s for " + what +
                 (seen ? "; " + seen() : ""));
        Sleep(20);
    }
}

LRESULT send(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, g_wait_ms, &result))
        fail("no answer to message " + std::to_string(message));
    return LRESULT(result);
}

std::wstring text_of(HWND window) {
    const auto length = send(window, WM_GETTEXTLENGTH);
    std::wstring text(size_t(length) + 1, L'\0');
    const auto copied = send(window, WM_GETTEXT, text.size(), LPARAM(text.data()));
    text.resize(size_t(copied));
    return text;
}

HWND control(int control_id) {
    HWND hwnd = GetDlgItem(g_main, control_id);
    if (!hwnd) fail("no control with id " + std::to_string(control_id));
    return hwnd;
}

std::wstring text_of(int control_id) { return text_of(control(control_id)); }

// The visible top-level windows of a class, owned by the given window when
// one is named.
std::vector<HWND> windows_of(const wchar_t* window_class, HWND owner = nullptr) {
    struct Search { const wchar_t* window_class; HWND owner; std::vector<HWND> found; };
    Search search{window_class, owner, {}};
    EnumWindows([](HWND hwnd, LPARAM param) -> BOOL {
        auto& s = *reinterpret_cast<Search*>(param);
        wchar_t name[64] = {};
        GetClassNameW(hwnd, name, 64);
        if (IsWindowVisible(hwnd) && wcscmp(name, s.window_class) == 0 &&
            (!s.owner || GetWindow(hwnd, GW_OWNER) == s.owner))
            s.found.push_back(hwnd);
        return TRUE;
    }, LPARAM(&search));
    return search.found;
}

HWND wait_for_window(const std::string& what, const wchar_t* window_class, HWND owner = nullptr) {
    HWND found = nullptr;
    wait_for(what, [&] {
        const auto all = windows_of(window_class, owner);
        found = all.empty() ? nullptr : all.front();
        return found != nullptr;
    });
    return found;
}

void wait_gone(const std::string& what, HWND window) {
    wait_for(what + " to close", [&] { return !IsWindow(window) || !IsWindowVisible(window); });
}

HWND focus_of(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    return GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info) ? info.hwndFocus
                                                                             : nullptr;
}

// A click on a button, posted when what it starts is modal (a dialog), sent
// otherwise so that it has been handled when this returns.
void click(HWND button, bool modal = false) {
    if (modal) PostMessageW(button, BM_CLICK, 0, 0);
    else send(button, BM_CLICK);
}

void menu(int item) { send(g_main, WM_COMMAND, MAKEWPARAM(item, 0), 0); }

// One press of the spinner's upper arrow with the mouse.
void spin_up(int spinner, int box, const wchar_t* expected) {
    HWND hwnd = control(spinner);
    RECT r{};
    GetClientRect(hwnd, &r);
    const LPARAM upper = MAKELPARAM(r.right / 2, r.bottom / 4);
    PostMessageW(hwnd, WM_LBUTTONDOWN, MK_LBUTTON, upper);
    PostMessageW(hwnd, WM_LBUTTONUP, 0, upper);
    wait_for("the number box to show " + utf8(expected),
             [&] { return text_of(box) == expected; },
             [&] { return "it shows " + utf8(text_of(box)); });
}

void key(WORD vk) {
    INPUT in[2] = {};
    in[0].type = in[1].type = INPUT_KEYBOARD;
    in[0].ki.wVk = in[1].ki.wVk = vk;
    in[1].ki.dwFlags = KEYEVENTF_KEYUP;
    SendInput(2, in, sizeof(INPUT));
}

// Types the text with key presses into the box, which must hold the focus
// of the foreground window; waits until the box shows it.
void type_into(HWND box, HWND top, const std::wstring& text, const std::wstring& shown) {
    SetForegroundWindow(top);
    wait_for("the typing box to have the focus", [&] { return focus_of(top) == box; },
             [&] { return "the focus is on " + describe(focus_of(top)); });
    std::vector<INPUT> in;
    for (const wchar_t c : text)
        for (const DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)}) {
            INPUT i{};
            i.type = INPUT_KEYBOARD;
            i.ki.wScan = c;
            i.ki.dwFlags = KEYEVENTF_UNICODE | up;
            in.push_back(i);
        }
    SendInput(UINT(in.size()), in.data(), sizeof(INPUT));
    wait_for("the typed text " + utf8(shown), [&] { return text_of(box) == shown; },
             [&] { return "the box shows " + utf8(text_of(box)); });
}

// The first edit box among the window's descendants.
HWND edit_in(HWND parent) {
    HWND found = nullptr;
    EnumChildWindows(parent, [](HWND hwnd, LPARAM param) -> BOOL {
        wchar_t name[16] = {};
        GetClassNameW(hwnd, name, 16);
        if (_wcsicmp(name, L"Edit") != 0) return TRUE;
        *reinterpret_cast<HWND*>(param) = hwnd;
        return FALSE;
    }, LPARAM(&found));
    return found;
}

// The file-name box of the open dialog: the edit inside the combo box of
// the Explorer-style dialog (a ComboBoxEx under Wine), or the plain edit of
// the older one.
HWND file_name_box(HWND dialog) {
    if (HWND combo = GetDlgItem(dialog, cmb13))
        if (HWND edit = edit_in(combo)) return edit;
    if (HWND edit = GetDlgItem(dialog, edt1)) return edit;
    fail("no file-name box in the open dialog");
}

HWND open_dialog() {
    click(control(id::CmdFileOpen), true);
    return wait_for_window("the open dialog", L"#32770", g_main);
}

// Chooses the file in the open dialog by typing its name and pressing Enter.
void choose(const std::wstring& name) {
    HWND dialog = open_dialog();
    HWND box = file_name_box(dialog);
    send(box, EM_SETSEL, 0, -1);
    type_into(box, dialog, name, name);
    key(VK_RETURN);
    wait_gone("the open dialog", dialog);
}

std::wstring current_folder() {
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    return folder;
}

// Waits for a conversion to end: no progress window, a table in the box.
std::wstring wait_for_table() {
    std::wstring text;
    wait_for("a table in the output box", [&] {
        if (!windows_of(id::kProgressClass).empty()) return false;
        text = text_of(id::TxtTag);
        return text.ends_with(L"</table>");
    });
    return text;
}

std::wstring clipboard_text() {
    std::wstring text;
    wait_for("the clipboard to open", [] { return OpenClipboard(nullptr) != FALSE; });
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        if (auto* chars = static_cast<const wchar_t*>(GlobalLock(data))) {
            text = chars;
            GlobalUnlock(data);
        }
    }
    CloseClipboard();
    return text;
}

void write_file(const std::wstring& path, const std::wstring& text) {
    const std::string bytes = utf8(text);
    HANDLE file = CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                              FILE_ATTRIBUTE_NORMAL, nullptr);
    DWORD written = 0;
    if (file == INVALID_HANDLE_VALUE ||
        !WriteFile(file, bytes.data(), DWORD(bytes.size()), &written, nullptr))
        fail("cannot write " + utf8(path));
    CloseHandle(file);
}

void find_main_window() {
    step("the main window appears");
    wait_for("the main window", [] {
        g_main = FindWindowW(id::kMainClass, L"Quorvane");
        return g_main && IsWindowVisible(g_main);
    });
}

// Fields per row 3, confirmed; field 2 gets align="right".
void set_columns() {
    step("turn the count to 3 and confirm");
    if (text_of(id::TxtDataCnt) != L"1") fail("the count box does not start at 1");
    spin_up(id::UpDown1, id::TxtDataCnt, L"2");
    spin_up(id::UpDown1, id::TxtDataCnt, L"3");
    click(control(id::CmdDataCntOK));
    if (!IsWindowVisible(control(id::TxtStyle)) || send(control(id::LstStyle), LB_GETCOUNT) != 3)
        fail("confirming 3 shows no attribute group with three rows");

    step("give field 2 align=\"right\"");
    spin_up(id::UpDown2, id::TxtFeeld, L"2");
    const std::wstring attribute = L"align=\"right\"";
    type_into(control(id::TxtStyle), g_main, attribute, attribute);
    click(control(id::CmdHanei));
    wchar_t row[64] = {};
    if (send(control(id::LstStyle), LB_GETTEXTLEN, 1) >= 64 ||
        send(control(id::LstStyle), LB_GETTEXT, 1, LPARAM(row)) < 0 || row != attribute)
        fail("list row 2 reads \"" + utf8(row) + "\"");
}

int story(const std::wstring& csv, const std::wstring& missing, const std::wstring& out) {
    find_main_window();
    set_columns();

    step("open the file through the open dialog");
    choose(current_folder() + L"\\" + csv);
    const std::wstring table = wait_for_table();
    write_file(out + L"\\box.txt", table);

    step("copy");
    click(control(id::CmdCopy));
    write_file(out + L"\\clipboard.txt", clipboard_text());

    step("a cancelled dialog changes nothing");
    HWND dialog = open_dialog();
    click(GetDlgItem(dialog, IDCANCEL));
    wait_gone("the cancelled dialog", dialog);
    send(g_main, WM_NULL);  // answered once anything the cancel started stands
    if (text_of(id::TxtTag) != table) fail("the cancelled dialog changed the output box");
    if (!windows_of(L"#32770", g_main).empty()) fail("a window stands after the cancel");

    step("a missing file gives the message");
    choose(current_folder() + L"\\" + missing);
    HWND message = wait_for_window("the message box", L"#32770", g_main);
    if (text_of(message) != L"ぽるめに") fail("the message box is titled " + utf8(text_of(message)));
    HWND text = FindWindowExW(message, nullptr, L"Static", L"未知のエラーが発生しました。");
    if (!text) fail("the message box does not say 未知のエラーが発生しました。");
    click(GetDlgItem(message, IDOK), true);
    wait_gone("the message box", message);
    if (text_of(id::TxtTag) != table) fail("the failed conversion changed the output box");

    step("About opens once");
    menu(id::mnuVir);
    menu(id::mnuVir);
    const auto abouts = windows_of(id::kAboutClass);
    if (abouts.size() != 1) fail(std::to_string(abouts.size()) + " About windows");
    if (text_of(abouts.front()) != L"Quorvaneのﾊﾞｰｼﾞｮﾝ情報")
        fail("the About window is titled " + utf8(text_of(abouts.front())));
    click(GetDlgItem(abouts.front(), id::cmdOK));
    wait_gone("the About window", abouts.front());

    step("exit from the menu");
    PostMessageW(g_main, WM_COMMAND, MAKEWPARAM(id::mnuClose, 0), 0);
    return 0;
}

// The table and the About window beside it, for a picture.
int pose(const std::wstring& csv) {
    find_main_window();
    set_columns();
    step("open the file");
    choose(current_folder() + L"\\" + csv);
    wait_for_table();
    step("open About beside the main window");
    menu(id::mnuVir);
    HWND about = wait_for_window("the About window", id::kAboutClass);
    SetWindowPos(g_main, nullptr, 8, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
    RECT main{}, box{};
    GetWindowRect(g_main, &main);
    SetWindowPos(about, HWND_TOP, main.right + 16, main.top, 0, 0, SWP_NOSIZE);
    GetWindowRect(about, &box);
    for (const auto& [name, r] : {std::pair{"main", main}, std::pair{"about", box}})
        std::printf("window %s %ld %ld %ld %ld\n", name, r.left, r.top, r.right - r.left,
                    r.bottom - r.top);
    return 0;
}

int close_program() {
    find_main_window();
    step("exit from the menu");
    PostMessageW(g_main, WM_COMMAND, MAKEWPARAM(id::mnuClose, 0), 0);
    return 0;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const std::wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"story" && argc == 5) return story(argv[2], argv[3], argv[4]);
    if (mode == L"pose" && argc == 3) return pose(argv[2]);
    if (mode == L"close" && argc == 2) return close_program();
    std::printf("usage: story_driver story CSV MISSING OUT | pose CSV | close\n");
    return 2;
}
