// Drives the running quorvane.exe through the Windows API, as a user would,
// from a process of its own under Wine: finds the windows and controls by
// class and id, clicks buttons, turns spinners with the mouse, types with key
// presses, reads texts and the clipboard. Every wait has a deadline.
//
//   story_driver story CSV           the user's story; writes box.txt (the
//                                    output box after the conversion), UTF-8
//   story_driver pose CSV            a table, left open for a picture, the
//                                    window right of where About stands
//   story_driver about               opens the About window
//   story_driver close               exits the program from its menu
//   story_driver time CSV            prints the milliseconds from Enter in
//                                    the open dialog to the table painted
//   story_driver expect KEY=VALUE... waits until the windows show all of it
//                                    (keys of look()), printing what they show
//   story_driver hold-clipboard      keeps the clipboard open, so that the
//                                    program's copy fails, until a message
//                                    box stands
//   story_driver clipboard FILE      writes the clipboard's text to FILE,
//                                    UTF-8
//
// File names are relative to the current folder. Prints one line per step;
// exits 1 at the first failure, naming it.
#include <windows.h>
#include <dlgs.h>

#include <quorvane/win/control_ids.h>

#include <cstdio>
#include <functional>
#include <map>
#include <string>
#include <vector>

namespace id = quorvane::win::id;
using std::wstring;

namespace {

constexpr DWORD kWaitMs = 60000;
HWND g_main = nullptr;
ULONGLONG g_entered = 0;  // when Enter was pressed in the open dialog

std::string utf8(const wstring& text) {
    std::string out(text.size() * 3, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(),
                                   int(out.size()), nullptr, nullptr));
    return out;
}

[[noreturn]] void fail(const std::string& what) {
    std::printf("FAILED: %s\n", what.c_str());
    std::exit(1);
}

void step(const char* what) {
    std::printf("step: %s\n", what);
    std::fflush(stdout);
}

// Polls every 20 ms until the condition holds; the failure names what was
// awaited and, when told how, what was seen last.
void wait_for(const std::string& what, const std::function<bool()>& condition,
              const std::function<std::string()>& seen = {}) {
    for (const ULONGLONG deadline = GetTickCount64() + kWaitMs; !condition(); Sleep(20))
        if (GetTickCount64() > deadline) fail("no " + what + (seen ? "; " + seen() : ""));
}

LRESULT send(HWND window, UINT message, WPARAM w = 0, LPARAM l = 0) {
    DWORD_PTR result = 0;
    if (!SendMessageTimeoutW(window, message, w, l, SMTO_ABORTIFHUNG, kWaitMs, &result))
        fail("answer to message " + std::to_string(message));
    return LRESULT(result);
}

HWND control(int control_id) {
    if (HWND hwnd = GetDlgItem(g_main, control_id)) return hwnd;
    fail("control " + std::to_string(control_id));
}

wstring text_of(HWND window) {
    wstring text(size_t(send(window, WM_GETTEXTLENGTH)) + 1, L'\0');
    text.resize(size_t(send(window, WM_GETTEXT, text.size(), LPARAM(text.data()))));
    return text;
}

wstring text_of(int control_id) { return text_of(control(control_id)); }

// The visible top-level windows of a class (owned by the main window when
// asked), waiting for at least one when asked.
std::vector<HWND> windows_of(const wchar_t* window_class, bool owned = false, bool wait = false) {
    std::vector<HWND> found;
    wait_for(utf8(window_class) + " window", [&] {
        found.clear();
        for (HWND h = nullptr; (h = FindWindowExW(nullptr, h, window_class, nullptr));)
            if (IsWindowVisible(h) && (!owned || GetWindow(h, GW_OWNER) == g_main))
                found.push_back(h);
        return !wait || !found.empty();
    });
    return found;
}

void wait_gone(HWND window, const char* what) {
    wait_for(std::string("closing of ") + what, [&] { return !IsWindowVisible(window); });
}

HWND focus_of(HWND window) {
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(window, nullptr), &info);
    return info.hwndFocus;
}

void command(int item) { send(g_main, WM_COMMAND, MAKEWPARAM(item, 0), 0); }

// One press of the spinner's upper arrow with the mouse.
void spin_up(int spinner, int box, const wchar_t* expected) {
    RECT r{};
    GetClientRect(control(spinner), &r);
    const LPARAM upper = MAKELPARAM(r.right / 2, r.bottom / 4);
    PostMessageW(control(spinner), WM_LBUTTONDOWN, MK_LBUTTON, upper);
    PostMessageW(control(spinner), WM_LBUTTONUP, 0, upper);
    wait_for(utf8(expected) + " in the number box", [&] { return text_of(box) == expected; },
             [&] { return "it shows " + utf8(text_of(box)); });
}

// Key presses of the text into the box, which must hold the focus of the
// window brought to the front; waits until the box shows the text.
void type_into(HWND box, HWND top, const wstring& text) {
    SetForegroundWindow(top);
    wait_for("window in front with the focus in the box to type into",
             [&] { return GetForegroundWindow() == top && focus_of(top) == box; });
    std::vector<INPUT> keys;
    for (const wchar_t c : text)
        for (const DWORD up : {DWORD(0), DWORD(KEYEVENTF_KEYUP)})
            keys.push_back({.type = INPUT_KEYBOARD,
                            .ki = {0, WORD(c), KEYEVENTF_UNICODE | up, 0, 0}});
    SendInput(UINT(keys.size()), keys.data(), sizeof(INPUT));
    wait_for("typed " + utf8(text), [&] { return text_of(box) == text; },
             [&] { return "the box shows " + utf8(text_of(box)); });
}

HWND open_dialog() {
    PostMessageW(control(id::CmdFileOpen), BM_CLICK, 0, 0);  // modal: not waited for
    return windows_of(L"#32770", true, true).front();
}

// Types the file's full name into the file-name box of the open dialog (the
// edit in its combo box, which Wine puts in a ComboBoxEx) and presses Enter.
void choose(const wstring& name) {
    HWND dialog = open_dialog();
    HWND combo = GetDlgItem(dialog, cmb13);
    if (HWND inner = FindWindowExW(combo, nullptr, L"ComboBox", nullptr)) combo = inner;
    HWND box = FindWindowExW(combo, nullptr, L"Edit", nullptr);
    if (!box) fail("file-name box in the open dialog");
    wchar_t folder[MAX_PATH] = {};
    GetCurrentDirectoryW(MAX_PATH, folder);
    send(box, EM_SETSEL, 0, -1);
    type_into(box, dialog, wstring(folder) + L"\\" + name);
    g_entered = GetTickCount64();
    keybd_event(VK_RETURN, 0, 0, 0);
    keybd_event(VK_RETURN, 0, KEYEVENTF_KEYUP, 0);
    wait_gone(dialog, "the open dialog");
}

// The table once the conversion has ended: no progress window left.
wstring table() {
    wstring text;
    wait_for("table in the output box", [&] {
        text = text_of(id::TxtTag);
        return windows_of(id::kProgressClass).empty() && text.ends_with(L"</table>");
    });
    return text;
}

wstring clipboard() {
    wstring text;
    wait_for("open clipboard", [] { return OpenClipboard(nullptr) != FALSE; });
    if (HANDLE data = GetClipboardData(CF_UNICODETEXT)) {
        text = static_cast<const wchar_t*>(GlobalLock(data));
        GlobalUnlock(data);
    }
    CloseClipboard();
    return text;
}

void write_file(const char* name, const wstring& text) {
    const std::string bytes = utf8(text);
    FILE* file = std::fopen(name, "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size()) fail(name);
    std::fclose(file);
}

void find_main_window() {
    step("the main window appears");
    wait_for("main window", [] {
        return (g_main = FindWindowW(id::kMainClass, L"Quorvane")) && IsWindowVisible(g_main);
    });
}

// Fields per row 3, confirmed; field 2 gets align="right" (what they do
// shows in the table).
void set_columns() {
    step("turn the count to 3 and confirm");
    spin_up(id::UpDown1, id::TxtDataCnt, L"2");
    spin_up(id::UpDown1, id::TxtDataCnt, L"3");
    send(control(id::CmdDataCntOK), BM_CLICK);
    step("give field 2 align=\"right\"");
    spin_up(id::UpDown2, id::TxtFeeld, L"2");
    type_into(control(id::TxtStyle), g_main, L"align=\"right\"");
    send(control(id::CmdHanei), BM_CLICK);
}

// The count and the attribute set, then the file opened: the table shown.
wstring open_table(const wstring& csv) {
    set_columns();
    step("open the file through the open dialog");
    choose(csv);
    return table();
}

// The box paints its first screen before it answers again, so the first
// answer with a length is the first painted screen.
void time_open(const wstring& csv) {
    step("open the file");
    choose(csv);
    wait_for("a table in the output box", [] { return send(control(id::TxtTag), WM_GETTEXTLENGTH) > 0; });
    std::printf("shown in %llu ms\n", GetTickCount64() - g_entered);
}

// The controls a user reaches, by name, for telling where the focus is.
const std::map<int, std::string> kNames = {
    {id::UpDown1, "UpDown1"},   {id::CmdDataCntOK, "CmdDataCntOK"},
    {id::CmdDataCntCancel, "CmdDataCntCancel"}, {id::UpDown2, "UpDown2"},
    {id::TxtStyle, "TxtStyle"}, {id::CmdHanei, "CmdHanei"},
    {id::CmdFileOpen, "CmdFileOpen"}, {id::CmdCopy, "CmdCopy"},
    {id::TxtTag, "TxtTag"},     {id::LstStyle, "LstStyle"},
    {id::TxtDataCnt, "TxtDataCnt"}, {id::TxtFeeld, "TxtFeeld"},
    {id::cmdOK, "cmdOK"},       {id::Text1, "Text1"},
    {id::TxtTableAttr, "TxtTableAttr"}};

// The menu items with a check mark, by name.
const std::map<int, std::string> kMenuNames = {
    {id::mnuHeader, "mnuHeader"},     {id::mnuEscape, "mnuEscape"},
    {id::mnuComma, "mnuComma"},       {id::mnuTab, "mnuTab"},
    {id::mnuSemicolon, "mnuSemicolon"}, {id::mnuBar, "mnuBar"},
    {id::mnuAuto, "mnuAuto"},         {id::mnuReadCp932, "mnuReadCp932"},
    {id::mnuReadUtf8, "mnuReadUtf8"}, {id::mnuReadUtf16, "mnuReadUtf16"},
    {id::mnuSaveUtf8, "mnuSaveUtf8"}, {id::mnuSaveCp932, "mnuSaveCp932"}};

// The main window's checked menu items, joined by commas in id order. Under
// Wine the menus of another process cannot be read, so a hook of ours
// (menu_probe.dll, beside this program) reads them inside the program.
std::string checked_items() {
    static const UINT probe = RegisterWindowMessageW(L"QuorvaneMenuProbe");
    static HHOOK hook = nullptr;
    if (!hook) {
        wchar_t path[MAX_PATH] = {};
        GetModuleFileNameW(nullptr, path, MAX_PATH);
        wstring dll = path;
        dll = dll.substr(0, dll.find_last_of(L'\\') + 1) + L"menu_probe.dll";
        HMODULE module = LoadLibraryW(dll.c_str());
        auto* proc = module ? reinterpret_cast<HOOKPROC>(reinterpret_cast<void*>(
                                  GetProcAddress(module, "probe_menu")))
                            : nullptr;
        if (!proc ||
            !(hook = SetWindowsHookExW(WH_GETMESSAGE, proc, module,
                                       GetWindowThreadProcessId(g_main, nullptr))))
            fail("menu probe " + utf8(dll));
    }
    MSG answer{};
    PeekMessageW(&answer, nullptr, 0, 0, PM_NOREMOVE);  // this thread's queue
    PostMessageW(g_main, probe, GetCurrentThreadId(), 0);
    wait_for("check marks from the menu probe",
             [&] { return PeekMessageW(&answer, nullptr, probe, probe, PM_REMOVE) != FALSE; });
    std::string names;
    for (const auto& [item, name] : kMenuNames)
        if (answer.wParam & (WPARAM(1) << (item - id::mnuCSV)))
            names += (names.empty() ? "" : ",") + name;
    return names;
}

// Which of the program's windows `window` is, or holds it.
std::string window_name(HWND window) {
    if (!window) return "none";
    HWND top = GetAncestor(window, GA_ROOT);
    wchar_t type[64] = {};
    GetClassNameW(top, type, 64);
    const wstring kind = type;
    std::string name = kind == id::kMainClass    ? "main"
                       : kind == id::kAboutClass ? "about"
                       : kind == L"#32770"       ? "dialog"
                                                 : "other";
    if (window != top) {
        const auto known = kNames.find(GetDlgCtrlID(window));
        name += "." + (known != kNames.end() ? known->second : "?");
    }
    return name;
}

// What the program shows, as KEY=VALUE: where the keyboard focus and the
// active window (and its title) are, the number boxes, the attribute editor
// and list (rows joined by |), whether the output box holds a table and
// where its middle is on the screen, how many About windows and dialogs
// stand, the table attribute dialog's text; the checked menu items when
// asked.
std::map<std::string, std::string> look(bool menus = false) {
    std::map<std::string, std::string> seen;
    g_main = FindWindowW(id::kMainClass, L"Quorvane");
    if (g_main && !IsWindowVisible(g_main)) g_main = nullptr;  // not yet made
    seen["main"] = g_main ? "1" : "0";
    seen["abouts"] = std::to_string(windows_of(id::kAboutClass).size());
    HWND any = g_main ? g_main : FindWindowW(id::kAboutClass, nullptr);
    GUITHREADINFO info{};
    info.cbSize = sizeof info;
    if (any) GetGUIThreadInfo(GetWindowThreadProcessId(any, nullptr), &info);
    seen["focus"] = window_name(info.hwndFocus);
    seen["active"] = window_name(info.hwndActive);
    seen["title"] = info.hwndActive ? utf8(text_of(info.hwndActive)) : "";
    if (!g_main) return seen;
    const auto dialogs = windows_of(L"#32770", true);
    seen["dialogs"] = std::to_string(dialogs.size());
    for (HWND dialog : dialogs)
        if (HWND attribute = GetDlgItem(dialog, id::TxtTableAttr))
            seen["attr"] = utf8(text_of(attribute));
    if (menus) seen["checks"] = checked_items();
    seen["count"] = utf8(text_of(id::TxtDataCnt));
    seen["field"] = utf8(text_of(id::TxtFeeld));
    seen["style"] = utf8(text_of(id::TxtStyle));
    std::string rows;
    const auto list = control(id::LstStyle);
    for (LRESULT row = 0, n = send(list, LB_GETCOUNT); row < n; ++row) {
        wstring text(size_t(send(list, LB_GETTEXTLEN, row)) + 1, L'\0');
        text.resize(size_t(send(list, LB_GETTEXT, row, LPARAM(text.data()))));
        rows += (row ? "|" : "") + utf8(text);
    }
    seen["rows"] = rows;
    seen["table"] = text_of(id::TxtTag).ends_with(L"</table>") ? "1" : "0";
    RECT box{};
    GetWindowRect(control(id::TxtTag), &box);
    seen["box"] = std::to_string((box.left + box.right) / 2) + "," +
                  std::to_string((box.top + box.bottom) / 2);
    return seen;
}

std::string shown(const std::map<std::string, std::string>& seen) {
    std::string line;
    for (const auto& [key, value] : seen) line += (line.empty() ? "" : " ") + key + "=" + value;
    return line;
}

// Waits until every KEY=VALUE holds.
void expect(int count, wchar_t** wanted) {
    std::map<std::string, std::string> seen;
    bool menus = false;
    for (int i = 0; i < count; ++i) menus |= wstring(wanted[i]).starts_with(L"checks=");
    wait_for("windows showing what was expected", [&] {
        seen = look(menus);
        for (int i = 0; i < count; ++i) {
            const std::string pair = utf8(wanted[i]);
            const size_t equals = pair.find('=');
            const auto found = seen.find(pair.substr(0, equals));
            if (found == seen.end() || found->second != pair.substr(equals + 1)) return false;
        }
        return true;
    }, [&] { return "they show " + shown(seen); });
    std::printf("%s\n", shown(seen).c_str());
}

void hold_clipboard() {
    wait_for("open clipboard", [] { return OpenClipboard(nullptr) != FALSE; });
    step("holding the clipboard");
    wait_for("message box", [] {
        g_main = FindWindowW(id::kMainClass, L"Quorvane");
        return g_main && !windows_of(L"#32770", true).empty();
    });
    CloseClipboard();
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    const wstring mode = argc > 1 ? argv[1] : L"";
    if (mode == L"expect") return expect(argc - 2, argv + 2), 0;
    if (mode == L"hold-clipboard") return hold_clipboard(), 0;
    if (mode == L"clipboard" && argc == 3) {
        const std::string name = utf8(argv[2]);
        return write_file(name.c_str(), clipboard()), 0;
    }
    if (!((mode == L"story" || mode == L"pose" || mode == L"time") && argc == 3) &&
        !((mode == L"close" || mode == L"about") && argc == 2)) {
        std::printf("usage: story_driver story CSV | pose CSV | time CSV | about | close | "
                    "expect KEY=VALUE... | hold-clipboard | clipboard FILE\n");
        return 2;
    }
    find_main_window();
    if (mode == L"story") write_file("box.txt", open_table(argv[2]));
    if (mode == L"pose") {
        open_table(argv[2]);
        return SetWindowPos(g_main, nullptr, 560, 8, 0, 0, SWP_NOSIZE | SWP_NOZORDER), 0;
    }
    if (mode == L"time") return time_open(argv[2]), 0;
    if (mode == L"about") return command(id::mnuVir), 0;
    step("exit from the menu");
    PostMessageW(g_main, WM_COMMAND, MAKEWPARAM(id::mnuClose, 0), 0);
    return 0;
}
