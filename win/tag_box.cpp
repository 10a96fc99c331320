#include "quorvane/win/tag_box.h"

#include "quorvane/tag/utf16.h"
#include "quorvane/win/control_ids.h"
#include "quorvane/win/wide.h"
#include "quorvane/window/char_class.h"
#include "quorvane/window/utf8.h"

#include <windowsx.h>

#include <algorithm>
#include <climits>
#include <limits>
#include <new>
#include <stdexcept>

namespace quorvane::win {
namespace {

namespace utf8 = window::utf8;

constexpr UINT_PTR kAutoScroll = 1;
constexpr UINT kAutoScrollMilliseconds = 50;
constexpr int kTabColumns = 8;
// Scroll bars take 31-bit positions; a longer range is scaled down.
constexpr std::uint64_t kBarMost = std::uint64_t{1} << 30;

std::uint64_t barScale(std::uint64_t range) {
    return range / kBarMost + 1;
}

bool keyDown(int key) {
    return GetKeyState(key) < 0;
}

} // namespace

void TagBox::registerClass(HINSTANCE instance) {
    WNDCLASSEXW type{};
    type.cbSize = sizeof type;
    type.style = CS_DBLCLKS;
    type.lpfnWndProc = &TagBox::procedure;
    type.hInstance = instance;
    type.hCursor = LoadCursorW(nullptr, IDC_IBEAM);
    type.lpszClassName = id::kTagBoxClass;
    RegisterClassExW(&type);
}

TagBox* TagBox::of(HWND window) {
    return reinterpret_cast<TagBox*>(GetWindowLongPtrW(window, GWLP_USERDATA));
}

// No exception crosses into the system: a message that fails is left undone.
LRESULT CALLBACK TagBox::procedure(HWND window, UINT message, WPARAM w, LPARAM l) {
    if (message == WM_NCCREATE) {
        auto* box = new (std::nothrow) TagBox(window);
        if (box == nullptr) {
            return FALSE;
        }
        SetWindowLongPtrW(window, GWLP_USERDATA, reinterpret_cast<LONG_PTR>(box));
    }
    TagBox* box = of(window);
    if (box == nullptr) {
        return DefWindowProcW(window, message, w, l);
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrW(window, GWLP_USERDATA, 0);
        delete box;
        return DefWindowProcW(window, message, w, l);
    }
    try {
        return box->handle(message, w, l);
    } catch (...) {
        return 0;
    }
}

LRESULT TagBox::handle(UINT message, WPARAM w, LPARAM l) {
    switch (message) {
    case WM_CREATE:
        measureFont();
        updateScrollBars();
        return 0;
    case WM_PAINT: {
        PAINTSTRUCT ps;
        HDC dc = BeginPaint(m_window, &ps);
        paint(dc, ps.rcPaint);
        EndPaint(m_window, &ps);
        return 0;
    }
    case WM_ERASEBKGND:
        return 1;
    case WM_SIZE:
        updateScrollBars();
        scrollTo(m_top, m_left);
        return 0;
    case WM_SETFONT:
        setFont(reinterpret_cast<HFONT>(w));
        return 0;
    case WM_GETFONT:
        return reinterpret_cast<LRESULT>(m_font);
    case WM_VSCROLL:
    case WM_HSCROLL:
        onScroll(message == WM_VSCROLL ? SB_VERT : SB_HORZ, LOWORD(w));
        return 0;
    case WM_MOUSEWHEEL:
    case WM_MOUSEHWHEEL:
        onWheel(message == WM_MOUSEWHEEL, GET_WHEEL_DELTA_WPARAM(w));
        return 0;
    case WM_GETDLGCODE:
        return DLGC_WANTARROWS | DLGC_WANTCHARS;
    case WM_KEYDOWN:
        return onKey(w) ? 0 : DefWindowProcW(m_window, message, w, l);
    case WM_SETFOCUS:
        makeCaret();
        InvalidateRect(m_window, nullptr, FALSE);
        return 0;
    case WM_KILLFOCUS:
        DestroyCaret();
        InvalidateRect(m_window, nullptr, FALSE);
        return 0;
    case WM_LBUTTONDOWN:
        SetFocus(m_window);
        moveCaret(positionAt(GET_X_LPARAM(l), GET_Y_LPARAM(l)), keyDown(VK_SHIFT));
        SetCapture(m_window);
        m_dragging = true;
        SetTimer(m_window, kAutoScroll, kAutoScrollMilliseconds, nullptr);
        return 0;
    case WM_MOUSEMOVE:
        if (m_dragging) {
            moveCaret(positionAt(GET_X_LPARAM(l), GET_Y_LPARAM(l)), true);
        }
        return 0;
    case WM_TIMER: {
        if (w != kAutoScroll || !m_dragging) {
            return 0;
        }
        // A drag past an edge scrolls on, a line or a character a tick.
        POINT at;
        GetCursorPos(&at);
        ScreenToClient(m_window, &at);
        const std::int64_t down = at.y < 0 ? -1 : at.y >= clientHeight() ? 1 : 0;
        const std::int64_t right = at.x < 0 ? -m_narrow : at.x >= clientWidth() ? m_narrow : 0;
        if (down != 0 || right != 0) {
            scrollTo(static_cast<std::uint64_t>(std::max<std::int64_t>(0, m_top + down)),
                     m_left + right);
            moveCaret(positionAt(at.x, at.y), true);
        }
        return 0;
    }
    case WM_LBUTTONUP:
    case WM_CAPTURECHANGED:
        if (m_dragging) {
            m_dragging = false;
            KillTimer(m_window, kAutoScroll);
            if (message == WM_LBUTTONUP) {
                ReleaseCapture();
            }
        }
        return 0;
    case WM_LBUTTONDBLCLK:
        if (m_cursor.selectWordAt(positionAt(GET_X_LPARAM(l), GET_Y_LPARAM(l)))) {
            showCaret();
            InvalidateRect(m_window, nullptr, FALSE);
        }
        return 0;
    case WM_CONTEXTMENU:
        contextMenu(GET_X_LPARAM(l), GET_Y_LPARAM(l));
        return 0;
    case WM_GETTEXTLENGTH:
        // Callers keep lengths in an int and add the terminating null.
        return static_cast<LRESULT>(std::min<std::uint64_t>(
            m_document.utf16().toUtf16(m_document.text().size()), INT_MAX - 1));
    case WM_GETTEXT:
        return getText(w, reinterpret_cast<wchar_t*>(l));
    case WM_SETTEXT:
        return FALSE;
    default:
        return DefWindowProcW(m_window, message, w, l);
    }
}

void TagBox::setText(std::string text) {
    m_document.setText(std::move(text), bounds());
    textReplaced();
}

void TagBox::setText(window::IndexedText table) {
    m_document.setText(std::move(table), bounds());
    textReplaced();
}

void TagBox::textReplaced() {
    m_cursor.reset();
    m_top = 0;
    m_left = 0;
    updateScrollBars();
    showCaret();
    // The new table's first screen is painted before anything else is done.
    RedrawWindow(m_window, nullptr, nullptr, RDW_INVALIDATE | RDW_UPDATENOW);
}

void TagBox::setFont(HFONT font) {
    m_font = font;
    measureFont();
    m_document.remeasure(bounds());
    updateScrollBars();
    if (GetFocus() == m_window) {
        DestroyCaret();
        makeCaret(); // as high as the new lines
    }
    InvalidateRect(m_window, nullptr, FALSE);
}

void TagBox::makeCaret() {
    CreateCaret(m_window, nullptr, 2, m_lineHeight);
    showCaret();
    ShowCaret(m_window);
}

// The widest each class of character is drawn, in 1/64 pixel.
window::AdvanceBounds TagBox::bounds() const {
    const auto cell = [](int pixels) { return static_cast<std::uint32_t>(pixels) * 64; };
    return {{cell(m_narrow), cell(m_narrow), cell(m_wide), cell(m_narrow * kTabColumns)}};
}

// The face is fixed-pitch: narrow and half-width characters take one cell,
// wide ones the width of a wide character, tabs run to the next stop.
void TagBox::measureFont() {
    HDC dc = GetDC(m_window);
    const HGDIOBJ old = SelectObject(dc, m_font ? m_font : GetStockObject(DEFAULT_GUI_FONT));
    TEXTMETRICW metrics{};
    GetTextMetricsW(dc, &metrics);
    SIZE narrow{}, wide{};
    GetTextExtentPoint32W(dc, L"0", 1, &narrow);
    GetTextExtentPoint32W(dc, L"漢", 1, &wide);
    SelectObject(dc, old);
    ReleaseDC(m_window, dc);
    m_lineHeight = std::max<int>(1, metrics.tmHeight);
    m_ascent = metrics.tmAscent;
    m_narrow = std::max<int>(1, narrow.cx);
    m_wide = std::max<int>(m_narrow, wide.cx);
}

int TagBox::advance(char32_t c, int x) const {
    switch (window::widthClass(c)) {
    case window::WidthClass::Wide:
        return m_wide;
    case window::WidthClass::Tab: {
        const int stop = m_narrow * kTabColumns;
        return stop - x % stop;
    }
    default:
        return m_narrow;
    }
}

double TagBox::caretX(std::size_t line, std::size_t pos) const {
    const std::string_view text = m_document.text();
    int x = 0;
    for (std::size_t at = m_document.lines().lineStart(line); at < pos; at = utf8::next(text, at)) {
        x += advance(utf8::decode(text, at), x);
    }
    return x;
}

std::size_t TagBox::caretAt(std::size_t line, double x) const {
    const std::string_view text = m_document.text();
    const std::size_t end = m_document.lines().lineEnd(line);
    int left = 0;
    std::size_t at = m_document.lines().lineStart(line);
    for (; at < end; at = utf8::next(text, at)) {
        const int width = advance(utf8::decode(text, at), left);
        if (x < left + width / 2.0) {
            return at;
        }
        left += width;
    }
    return end;
}

std::size_t TagBox::pageLines() const {
    return static_cast<std::size_t>(std::max(1, clientHeight() / m_lineHeight));
}

int TagBox::clientWidth() const {
    RECT client;
    GetClientRect(m_window, &client);
    return client.right;
}

int TagBox::clientHeight() const {
    RECT client;
    GetClientRect(m_window, &client);
    return client.bottom;
}

void TagBox::paint(HDC dc, const RECT& dirty) {
    const HGDIOBJ old = SelectObject(dc, m_font ? m_font : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, OPAQUE);
    const std::size_t lines = m_document.lines().lineCount();
    const int width = clientWidth();
    for (int y = dirty.top / m_lineHeight * m_lineHeight; y < dirty.bottom; y += m_lineHeight) {
        const std::uint64_t line = m_top + static_cast<std::uint64_t>(y / m_lineHeight);
        if (line < lines) {
            paintLine(dc, static_cast<std::size_t>(line), y, width);
        } else {
            const RECT rest{0, y, width, y + m_lineHeight};
            FillRect(dc, &rest, GetSysColorBrush(COLOR_WINDOW));
        }
    }
    SelectObject(dc, old);
}

// Only the characters in sight are converted and drawn, each in its cell.
void TagBox::paintLine(HDC dc, std::size_t line, int y, int width) {
    const std::string_view text = m_document.text();
    const std::size_t end = m_document.lines().lineEnd(line);
    const std::size_t from = m_cursor.selectionStart();
    const std::size_t to = m_cursor.selectionEnd();
    const RECT row{0, y, width, y + m_lineHeight};
    FillRect(dc, &row, GetSysColorBrush(COLOR_WINDOW));

    std::int64_t x = 0;
    std::size_t at = m_document.lines().lineStart(line);
    std::wstring units;
    std::vector<INT> cells;
    bool selected = false;
    std::int64_t runX = 0;
    const auto flush = [&] {
        if (!units.empty()) {
            SetTextColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
            SetBkColor(dc, GetSysColor(selected ? COLOR_HIGHLIGHT : COLOR_WINDOW));
            const int left = static_cast<int>(runX - m_left);
            const RECT cell{left, y, static_cast<int>(x - m_left), y + m_lineHeight};
            ExtTextOutW(dc, left, y, ETO_OPAQUE, &cell, units.data(),
                        static_cast<UINT>(units.size()), cells.data());
        }
        units.clear();
        cells.clear();
        runX = x;
    };
    for (; at < end && x - m_left < width; at = utf8::next(text, at)) {
        const char32_t c = utf8::decode(text, at);
        const int cell = advance(c, static_cast<int>(x % (m_narrow * kTabColumns)));
        if (x + cell <= m_left) {
            x += cell;
            runX = x;
            continue;
        }
        const bool inSelection = at >= from && at < to;
        if (inSelection != selected) {
            flush();
            selected = inSelection;
        }
        char16_t pair[2];
        const std::size_t count = tag::EncodeUtf16(c == U'\t' ? U' ' : c, pair);
        units.append(pair, pair + count);
        cells.push_back(cell);
        if (count == 2) {
            cells.push_back(0);
        }
        x += cell;
    }
    flush();
    // A selected line end shows as one selected cell after the line.
    if (at == end && end >= from && end < to && end < text.size()) {
        const RECT mark{static_cast<int>(x - m_left), y, static_cast<int>(x - m_left) + m_narrow,
                        y + m_lineHeight};
        FillRect(dc, &mark, GetSysColorBrush(COLOR_HIGHLIGHT));
    }
}

// Vertical positions count lines, horizontal ones pixels.
void TagBox::updateScrollBars() {
    const std::uint64_t lines = m_document.lines().lineCount();
    const std::uint64_t rows = pageLines();
    const std::uint64_t vScale = barScale(lines);
    SCROLLINFO info{};
    info.cbSize = sizeof info;
    info.fMask = SIF_RANGE | SIF_PAGE | SIF_POS | SIF_DISABLENOSCROLL;
    info.nMax = static_cast<int>((lines - 1) / vScale);
    info.nPage = static_cast<UINT>(std::max<std::uint64_t>(1, rows / vScale));
    info.nPos = static_cast<int>(m_top / vScale);
    SetScrollInfo(m_window, SB_VERT, &info, TRUE);
    const std::uint64_t wide = m_document.lines().widestBound() / 64 + m_narrow;
    const std::uint64_t hScale = barScale(wide);
    info.nMax = static_cast<int>(wide / hScale);
    info.nPage = static_cast<UINT>(std::max<std::uint64_t>(1, clientWidth() / hScale));
    info.nPos = static_cast<int>(static_cast<std::uint64_t>(m_left) / hScale);
    SetScrollInfo(m_window, SB_HORZ, &info, TRUE);
}

void TagBox::scrollTo(std::uint64_t top, std::int64_t left) {
    const std::uint64_t lines = m_document.lines().lineCount();
    const std::uint64_t rows = pageLines();
    const auto wide = static_cast<std::int64_t>(m_document.lines().widestBound() / 64 + m_narrow);
    top = std::min(top, lines > rows ? lines - rows : 0);
    left = std::clamp<std::int64_t>(left, 0, std::max<std::int64_t>(0, wide - clientWidth()));
    if (top == m_top && left == m_left) {
        return;
    }
    m_top = top;
    m_left = left;
    updateScrollBars();
    showCaret();
    InvalidateRect(m_window, nullptr, FALSE);
}

// The wheel scrolls the lines (or the page) the system sets a notch, the
// tilt wheel the characters; parts of a notch add up.
void TagBox::onWheel(bool vertical, int delta) {
    UINT perNotch = 3;
    SystemParametersInfoW(vertical ? SPI_GETWHEELSCROLLLINES : SPI_GETWHEELSCROLLCHARS, 0,
                          &perNotch, 0);
    if (!vertical) {
        scrollTo(m_top, m_left + m_wheelRight.add(delta, perNotch) * m_narrow);
        return;
    }
    const bool pages = perNotch == WHEEL_PAGESCROLL;
    const std::int64_t steps = m_wheelUp.add(delta, pages ? 1 : perNotch);
    const std::int64_t lines = pages ? steps * static_cast<std::int64_t>(pageLines()) : steps;
    scrollTo(static_cast<std::uint64_t>(
                 std::max<std::int64_t>(0, static_cast<std::int64_t>(m_top) - lines)),
             m_left);
}

void TagBox::onScroll(int bar, int request) {
    const bool vertical = bar == SB_VERT;
    const std::uint64_t range = vertical ? m_document.lines().lineCount()
                                         : m_document.lines().widestBound() / 64 + m_narrow;
    const std::int64_t page = vertical ? static_cast<std::int64_t>(pageLines()) : clientWidth();
    const std::int64_t line = vertical ? 1 : m_narrow;
    const std::int64_t now = vertical ? static_cast<std::int64_t>(m_top) : m_left;
    std::int64_t to = now;
    switch (request) {
    case SB_LINEUP:
        to = now - line;
        break;
    case SB_LINEDOWN:
        to = now + line;
        break;
    case SB_PAGEUP:
        to = now - page;
        break;
    case SB_PAGEDOWN:
        to = now + page;
        break;
    case SB_TOP:
        to = 0;
        break;
    case SB_BOTTOM:
        to = static_cast<std::int64_t>(range);
        break;
    case SB_THUMBTRACK:
    case SB_THUMBPOSITION: {
        SCROLLINFO info{};
        info.cbSize = sizeof info;
        info.fMask = SIF_TRACKPOS;
        GetScrollInfo(m_window, bar, &info);
        to =
            static_cast<std::int64_t>(static_cast<std::uint64_t>(info.nTrackPos) * barScale(range));
        break;
    }
    default:
        return;
    }
    to = std::max<std::int64_t>(0, to);
    vertical ? scrollTo(static_cast<std::uint64_t>(to), m_left) : scrollTo(m_top, to);
}

namespace {

window::BoxKey boxKey(WPARAM key) {
    using window::BoxKey;
    constexpr std::pair<WPARAM, BoxKey> kKeys[] = {
        {VK_LEFT, BoxKey::Left}, {VK_RIGHT, BoxKey::Right},  {VK_UP, BoxKey::Up},
        {VK_DOWN, BoxKey::Down}, {VK_PRIOR, BoxKey::PageUp}, {VK_NEXT, BoxKey::PageDown},
        {VK_HOME, BoxKey::Home}, {VK_END, BoxKey::End},      {'A', BoxKey::A},
        {'C', BoxKey::C},        {VK_INSERT, BoxKey::Insert}};
    for (const auto& [virtualKey, box] : kKeys) {
        if (virtualKey == key) {
            return box;
        }
    }
    return BoxKey::Other;
}

} // namespace

// Carries out the box's key map; false for a key it does not take.
bool TagBox::onKey(WPARAM key) {
    const std::optional<window::BoxAction> action =
        window::boxKeyAction(boxKey(key), keyDown(VK_CONTROL), keyDown(VK_SHIFT));
    if (action) {
        run(*action);
    }
    return action.has_value();
}

void TagBox::run(const window::BoxAction& action) {
    switch (action.command) {
    case window::BoxCommand::Copy:
        copySelection();
        return;
    case window::BoxCommand::SelectAll:
        m_cursor.selectAll();
        showCaret();
        InvalidateRect(m_window, nullptr, FALSE);
        return;
    case window::BoxCommand::Move:
        break;
    }
    if (action.scrollPages != 0) {
        const auto page = static_cast<std::int64_t>(pageLines()) * action.scrollPages;
        scrollTo(static_cast<std::uint64_t>(
                     std::max<std::int64_t>(0, static_cast<std::int64_t>(m_top) + page)),
                 m_left);
    }
    m_cursor.move(action.move, action.extend, *this);
    // The caret's line and cell come into sight.
    const std::size_t line = m_document.lines().lineOf(m_cursor.caret());
    const std::uint64_t rows = pageLines();
    std::uint64_t top = m_top;
    if (line < top) {
        top = line;
    } else if (line >= top + rows) {
        top = line - rows + 1;
    }
    const auto x = static_cast<std::int64_t>(caretX(line, m_cursor.caret()));
    std::int64_t left = m_left;
    if (x < left) {
        left = x;
    } else if (x + m_narrow > left + clientWidth()) {
        left = x + m_narrow - clientWidth();
    }
    scrollTo(top, left);
    showCaret();
    InvalidateRect(m_window, nullptr, FALSE);
}

void TagBox::moveCaret(std::size_t pos, bool extend) {
    const std::size_t before = m_cursor.caret();
    const std::size_t anchor = m_cursor.anchor();
    m_cursor.moveTo(pos, extend);
    if (m_cursor.caret() != before || m_cursor.anchor() != anchor) {
        showCaret();
        InvalidateRect(m_window, nullptr, FALSE);
    }
}

void TagBox::showCaret() {
    if (GetFocus() != m_window) {
        return;
    }
    const std::size_t line = m_document.lines().lineOf(m_cursor.caret());
    const std::int64_t y =
        (static_cast<std::int64_t>(line) - static_cast<std::int64_t>(m_top)) * m_lineHeight;
    const std::int64_t x = static_cast<std::int64_t>(caretX(line, m_cursor.caret())) - m_left;
    const bool inSight = y >= 0 && y < clientHeight() && x >= 0 && x <= clientWidth();
    SetCaretPos(inSight ? static_cast<int>(x) : -100, inSight ? static_cast<int>(y) : -100);
}

std::size_t TagBox::positionAt(int x, int y) const {
    const std::size_t lines = m_document.lines().lineCount();
    const std::int64_t row = y < 0 ? -1 : y / m_lineHeight;
    const std::int64_t line = std::clamp<std::int64_t>(static_cast<std::int64_t>(m_top) + row, 0,
                                                       static_cast<std::int64_t>(lines) - 1);
    return caretAt(static_cast<std::size_t>(line), static_cast<double>(x + m_left));
}

void TagBox::contextMenu(int x, int y) {
    if (x == -1 && y == -1) { // from the keyboard: at the caret
        POINT caret;
        GetCaretPos(&caret);
        ClientToScreen(m_window, &caret);
        x = caret.x;
        y = caret.y + m_lineHeight;
    }
    HMENU menu = CreatePopupMenu();
    const auto& items = window::boxMenu();
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (items[i].separatorBefore) {
            AppendMenuW(menu, MF_SEPARATOR, 0, nullptr);
        }
        const bool enabled = window::boxMenuEnabled(items[i].command, m_cursor.hasSelection(),
                                                    !m_document.text().empty());
        AppendMenuW(menu, MF_STRING | (enabled ? 0 : MF_GRAYED), i + 1,
                    wide(items[i].caption).c_str());
    }
    const UINT chosen =
        TrackPopupMenu(menu, TPM_RETURNCMD | TPM_RIGHTBUTTON, x, y, 0, m_window, nullptr);
    DestroyMenu(menu);
    if (chosen != 0) {
        run({items[chosen - 1].command});
    }
}

// The selection, or the whole text, on the clipboard as Unicode text; a text
// the clipboard cannot take throws.
void TagBox::copy(bool whole) const {
    const std::string_view text = m_document.text();
    const std::size_t from = whole ? 0 : m_cursor.selectionStart();
    const std::size_t to = whole ? text.size() : m_cursor.selectionEnd();
    if (from == to && !whole) {
        return;
    }
    const std::string_view part(text.data() + from, to - from);
    const std::size_t units =
        utf8::utf16Length(part, std::numeric_limits<std::size_t>::max() / 2 - 1);
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, (units + 1) * sizeof(wchar_t));
    if (memory == nullptr) {
        throw std::bad_alloc();
    }
    auto* into = static_cast<char16_t*>(GlobalLock(memory));
    utf8::writeUtf16(part, into);
    into[units] = u'\0';
    GlobalUnlock(memory);
    if (!OpenClipboard(m_window)) {
        GlobalFree(memory);
        throw std::runtime_error("the clipboard is held by another program");
    }
    EmptyClipboard();
    if (SetClipboardData(CF_UNICODETEXT, memory) == nullptr) {
        GlobalFree(memory);
        CloseClipboard();
        throw std::runtime_error("the clipboard refused the text");
    }
    CloseClipboard();
}

// A copy that fails goes to the window the box is in, which shows its one
// message as for the copy button.
void TagBox::copySelection() const {
    try {
        copy(false);
    } catch (const std::exception&) {
        SendMessageW(GetParent(m_window), WM_COMMAND,
                     MAKEWPARAM(GetDlgCtrlID(m_window), kCopyFailed),
                     reinterpret_cast<LPARAM>(m_window));
    }
}

LRESULT TagBox::getText(WPARAM size, wchar_t* into) const {
    if (into == nullptr || size == 0) {
        return 0;
    }
    const std::string_view text = m_document.text();
    const std::size_t bytes = utf8::bytesForUnits(text, size - 1);
    const std::string_view part(text.data(), bytes);
    const std::size_t units = utf8::utf16Units(part);
    utf8::writeUtf16(part, reinterpret_cast<char16_t*>(into));
    into[units] = L'\0';
    return static_cast<LRESULT>(units);
}

} // namespace quorvane::win
