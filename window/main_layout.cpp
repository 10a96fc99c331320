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

using M = MenuKind;
using I = MenuItem;

// The options menu's access key, T, is none of the bar's (F, E, V) nor the
// buttons' (K, R, I, O, C).
constexpr MenuLayout kMenus[] = {
    {"mnuFile", M::DropDown, "ファイル(&F)", 0},
    {"mnuCSV", M::Item, "CSVファイルの選択(&O)", 1, I::mnuCSV},
    {"mnuSave", M::Item, "名前を付けて保存(&A)...", 1, I::mnuSave},
    {"mnuBrowser", M::Item, "ブラウザで表示(&B)", 1, I::mnuBrowser},
    {"sepa", M::Separator, "-", 1},
    {"mnuClose", M::Item, "終了(&X)", 1, I::mnuClose},
    {"mnuEdit", M::DropDown, "編集(&E)", 0},
    {"mnuCopy", M::Item, "クリップボードにコピー(&C)", 1, I::mnuCopy},
    {"mnuOption", M::DropDown, "オプション(&T)", 0},
    {"mnuHeader", M::Check, "1行目を見出しセル(<th>)にする(&H)", 1, I::mnuHeader},
    {"mnuEscape", M::Check, "&&<>\"' を文字参照にする(&E)", 1, I::mnuEscape},
    {"mnuTableAttr", M::Item, "tableタグの属性(&A)...", 1, I::mnuTableAttr},
    {"sepaOption", M::Separator, "-", 1},
    {"mnuDelimiter", M::SubMenu, "区切り文字(&D)", 1},
    {"mnuComma", M::Choice, "カンマ( , )(&C)", 2, I::mnuComma},
    {"mnuTab", M::Choice, "タブ(&T)", 2, I::mnuTab},
    {"mnuSemicolon", M::Choice, "セミコロン( ; )(&S)", 2, I::mnuSemicolon},
    {"mnuBar", M::Choice, "縦棒( | )(&B)", 2, I::mnuBar},
    {"mnuReadEncoding", M::SubMenu, "CSVの文字コード(&N)", 1},
    {"mnuAuto", M::Choice, "自動判別(&A)", 2, I::mnuAuto},
    {"mnuReadCp932", M::Choice, "Shift_JIS(&S)", 2, I::mnuReadCp932},
    {"mnuReadUtf8", M::Choice, "UTF-8(&U)", 2, I::mnuReadUtf8},
    {"mnuReadUtf16", M::Choice, "UTF-16(&T)", 2, I::mnuReadUtf16},
    {"mnuSaveEncoding", M::SubMenu, "保存の文字コード(&O)", 1},
    {"mnuSaveUtf8", M::Choice, "UTF-8(&U)", 2, I::mnuSaveUtf8},
    {"mnuSaveCp932", M::Choice, "Shift_JIS(&S)", 2, I::mnuSaveCp932},
    {"mnuVir", M::BarCommand, "バージョン情報(&V)", 0, I::mnuVir},
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
