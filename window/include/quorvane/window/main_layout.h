#pragma once

#include "quorvane/window/control.h"

#include <optional>
#include <span>
#include <string_view>

namespace quorvane::window {

enum class ControlKind {
    Button,
    Frame,
    Label,
    NumberBox, // single line, read-only: the spinners write it
    Editor,    // single line, editable
    List,      // single selection, unsorted
    Spinner,   // bound to its number box: boxOf(spinner)
    OutputBox, // the table text: read-only, both scroll bars
    Line,      // one pixel high, from Left to Left + Width
};

enum class FontRole {
    UserInterface, // the platform's default
    Gothic11,      // "ＭＳ ゴシック" 11.25 pt, Japanese character set
    Gothic9,       // "ＭＳ ゴシック" 9 pt, Japanese character set
};

// The system colour a line is drawn in.
enum class LineColour { None, Shadow, Highlight };

// One control of the main window: its name, kind, the group it stands in,
// its caption (UTF-8, "&" before the access key), its place in twips
// relative to that group (or the client area), its place in the tab order,
// its font, and the name assistive tools give it. A label's size is its
// text's; a line's height is one pixel.
struct ControlLayout {
    Control control;
    std::string_view name;
    ControlKind kind;
    std::optional<Control> group;
    std::string_view caption;
    int left, top, width, height;
    int tab;
    FontRole font = FontRole::UserInterface;
    LineColour colour = LineColour::None;
    std::string_view accessibleName = {};
};

// The menu commands, each named as its item.
enum class MenuItem {
    None,
    mnuCSV,
    mnuSave,
    mnuBrowser,
    mnuClose,
    mnuCopy,
    mnuHeader,
    mnuEscape,
    mnuComma,
    mnuTab,
    mnuSemicolon,
    mnuBar,
    mnuAuto,
    mnuReadCp932,
    mnuReadUtf8,
    mnuReadUtf16,
    mnuTableAttr,
    mnuSaveUtf8,
    mnuSaveCp932,
    mnuVir,
};

// One entry of the menu bar: a drop-down menu or a submenu (its items follow
// it, one level deeper), a command, a command with a check mark, one choice
// of a group of them (a submenu's), a separator, or a command on the bar.
enum class MenuKind { DropDown, SubMenu, Item, Check, Choice, Separator, BarCommand };

struct MenuLayout {
    std::string_view name;
    MenuKind kind;
    std::string_view caption;
    // 0 on the bar, 1 in a drop-down menu, 2 in a submenu.
    int level;
    MenuItem item = MenuItem::None;
};

inline constexpr int kClientWidth = 9150;
inline constexpr int kClientHeight = 9150;

// The main window's controls in the order they are created.
std::span<const ControlLayout> mainControls();
// The menu bar, top to bottom and left to right.
std::span<const MenuLayout> mainMenus();
// A control's entry.
const ControlLayout& layoutOf(Control control);
// The controls that take the keyboard focus, in tab order.
std::span<const Control> focusOrder();
// Where a control stands in the client area, in twips: its group's place
// added.
struct TwipsRect {
    int left, top, width, height;
};
TwipsRect clientPlace(Control control);
// The number box a spinner writes its value into.
Control boxOf(Control spinner);

} // namespace quorvane::window
