#include "quorvane/window/main_layout.h"

#include "quorvane/window/layout_table.h"

namespace quorvane::window {
namespace {

using enum Control;
using K = ControlKind;
using F = FontRole;

constexpr std::string_view kCountLabel = "フィールドの数：";
constexpr std::string_view kFieldLabel = "フィールドの列番号：";
constexpr std::string_view kStyleLabel = "挿入したいセルの属性：";
constexpr std::string_view kStyleGroup = "セルの属性の設定";

// Groups hold places in the tab order but take no focus, nor do labels and
// lines (-1: no place).
constexpr ControlLayout kControls[] = {
    {CmdCopy, "CmdCopy", K::Button, {}, "クリップボードにコピー(&C)", 6720, 4935, 2220, 330, 7},
    {Frame2, "Frame2", K::Frame, {}, kStyleGroup, 105, 1365, 8835, 3480, 12},
    {UpDown2, "UpDown2", K::Spinner, Frame2, "", 2940, 315, 555, 330, 3, F::UserInterface,
     LineColour::None, kFieldLabel},
    {CmdHanei, "CmdHanei", K::Button, Frame2, "↓リストに反映↓(&I)", 2310, 1155, 2010, 330, 5},
    {TxtFeeld, "TxtFeeld", K::NumberBox, Frame2, "1", 2310, 315, 630, 330, 14, F::UserInterface,
     LineColour::None, kFieldLabel},
    {TxtStyle, "TxtStyle", K::Editor, Frame2, "", 2310, 735, 6315, 330, 4, F::Gothic11,
     LineColour::None, kStyleLabel},
    {LstStyle, "LstStyle", K::List, Frame2, "", 2310, 1575, 6315, 1635, 13, F::Gothic11,
     LineColour::None, kStyleGroup},
    {Label3, "Label3", K::Label, Frame2, kStyleLabel, 315, 790, 1800, 180, 16},
    {Label2, "Label2", K::Label, Frame2, kFieldLabel, 555, 380, 1560, 180, 15},
    {Frame1,
     "Frame1",
     K::Frame,
     {},
     "参照するCSVファイルのフィールドの数",
     105,
     105,
     8835,
     1065,
     9},
    {CmdDataCntCancel, "CmdDataCntCancel", K::Button, Frame1, "やりなおし(&R)", 6405, 420, 2220,
     330, 2},
    {CmdDataCntOK, "CmdDataCntOK", K::Button, Frame1, "決定（&K)", 3990, 420, 2220, 330, 1},
    {TxtDataCnt, "TxtDataCnt", K::NumberBox, Frame1, "1", 2310, 420, 630, 330, 10, F::UserInterface,
     LineColour::None, kCountLabel},
    {UpDown1, "UpDown1", K::Spinner, Frame1, "", 2940, 420, 555, 330, 0, F::UserInterface,
     LineColour::None, kCountLabel},
    {Label1, "Label1", K::Label, Frame1, kCountLabel, 900, 500, 1200, 180, 11},
    {TxtTag,
     "TxtTag",
     K::OutputBox,
     {},
     "",
     105,
     5355,
     8835,
     3690,
     8,
     F::Gothic9,
     LineColour::None,
     "テーブルタグ"},
    {CmdFileOpen, "CmdFileOpen", K::Button, {}, "CSVファイルの選択(&O)", 4305, 4935, 2220, 330, 6},
    {Line2,
     "Line2",
     K::Line,
     {},
     "",
     105,
     10,
     8820,
     0,
     -1,
     F::UserInterface,
     LineColour::Highlight},
    {Line1, "Line1", K::Line, {}, "", 105, 0, 8820, 0, -1, F::UserInterface, LineColour::Shadow},
};

constexpr MenuLayout kMenus[] = {
    {"mnuFile", MenuKind::DropDown, "ファイル(&F)"},
    {"mnuCSV", MenuKind::Item, "CSVファイルの選択(&O)"},
    {"sepa", MenuKind::Separator, "-"},
    {"mnuClose", MenuKind::Item, "終了(&X)"},
    {"mnuEdit", MenuKind::DropDown, "編集(&E)"},
    {"mnuCopy", MenuKind::Item, "クリップボードにコピー(&C)"},
    {"mnuVir", MenuKind::BarCommand, "バージョン情報(&V)"},
};

constexpr bool takesFocus(ControlKind kind) {
    return kind != K::Frame && kind != K::Label && kind != K::Line;
}

constexpr auto kFocusOrder =
    tabOrderOf<kControls, [](const ControlLayout& c) { return takesFocus(c.kind); }>();

} // namespace

std::span<const ControlLayout> mainControls() {
    return kControls;
}

std::span<const MenuLayout> mainMenus() {
    return kMenus;
}

const ControlLayout& layoutOf(Control control) {
    return entryOf(kControls, control);
}

std::span<const Control> focusOrder() {
    return kFocusOrder;
}

TwipsRect clientPlace(Control control) {
    const ControlLayout& c = layoutOf(control);
    TwipsRect place{c.left, c.top, c.width, c.height};
    if (c.group) {
        const ControlLayout& group = layoutOf(*c.group);
        place.left += group.left;
        place.top += group.top;
    }
    return place;
}

Control boxOf(Control spinner) {
    return spinner == UpDown1 ? TxtDataCnt : TxtFeeld;
}

} // namespace quorvane::window
