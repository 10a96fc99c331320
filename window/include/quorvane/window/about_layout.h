#pragma once

#include "quorvane/window/main_layout.h"

#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

namespace quorvane::window {

// The About window's controls, each named as the window names it. The two
// lines of the etched rule share the name Line1 and differ by index.
enum class AboutControl {
    Text1,
    picIcon,
    cmdOK,
    Label1,
    Line1,
    lblDescription,
    lblTitle,
    lblVersion,
};

enum class AboutKind {
    AddressBox, // single line, read-only, its text selectable; reads like a label
    Picture,    // the window's own icon in a sunken border
    Button,
    Label, // from the top left, wrapped at word breaks
    Line,
};

// A line of the etched rule, from (x1, y) up to x2, in twips; `thickness`
// is in pixels at any DPI.
struct AboutLine {
    int index;
    int x1, x2, y;
    int thickness;
    LineColour colour;
};

// One control of the About window: its kind, its caption or content (UTF-8)
// as created, its place in twips in the client area (a line's is in `line`),
// its place in the tab order (-1: none), whether it takes the keyboard focus
// and whether it is the window's default and cancel button.
struct AboutControlLayout {
    AboutControl control;
    std::string_view name;
    AboutKind kind;
    std::string_view caption = {};
    TwipsRect place = {};
    int tab;
    bool takesFocus = false;
    bool defaultAndCancel = false;
    AboutLine line = {};
};

// The client area, its top-left corner at a fixed place on the screen; the
// user cannot resize it.
inline constexpr TwipsRect kAboutClient{2340, 1935, 5730, 2505};
// The caption the window has until the load step sets it.
inline constexpr std::string_view kAboutFirstCaption = "ﾊﾞｰｼﾞｮﾝ情報";
// The icon's image is 32 pixels square at 96 DPI, with a sunken border of 2
// pixels round it.
inline constexpr int kAboutIconTwips = 480;
inline constexpr int kAboutIconBorder = 2;

// The description: its caption on the label's first line and the description
// proper from the second on. The run of spaces between them does that where
// it fills the first line; else a line end stands in its place.
inline constexpr std::string_view kDescriptionCaption = "ｱﾌﾟﾘｹｰｼｮﾝの説明";
inline constexpr std::string_view kDescriptionSpaces = // 11 ideographic, 17 ASCII, 1 ideographic
    "\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000\u3000"
    "                 "
    "\u3000";
inline constexpr std::string_view kDescription = "CSVファイルをHTMLのテーブルタグに変換します。";

// The About window's controls in the order they are created.
std::span<const AboutControlLayout> aboutControls();
// A control's entry (Line1: the first of the two).
const AboutControlLayout& aboutLayoutOf(AboutControl control);
// The controls that take the keyboard focus, in tab order; the first has it
// when the window opens.
std::span<const AboutControl> aboutFocusOrder();

// The width of a UTF-8 text in the description label's font, in the unit the
// label's width is given in.
using TextWidth = std::function<double(std::string_view)>;
// How a face's label breaks a line inside a run of spaces.
enum class SpaceBreak {
    // Anywhere in the run; the whole run stays, unseen, at the end of the line.
    HangsRun,
    // Only after an ASCII space; the characters after it start the next line
    // (a Windows static control, as Wine draws it).
    AfterAsciiSpace,
};
// What the description label shows in a line `lineWidth` wide: the caption,
// the spaces and the description where the spaces push the description onto
// the second line, that is where the label hangs the run and the
// description's first word does not fit after it; otherwise the caption,
// `lineEnd` and the description.
std::string descriptionText(const TextWidth& widthOf, double lineWidth, SpaceBreak breaks,
                            std::string_view lineEnd);

// The load step: the window's caption, the application's title followed by
// "のﾊﾞｰｼﾞｮﾝ情報"; the version label, "ﾊﾞｰｼﾞｮﾝ " and the three parts in
// decimal, joined by dots. lblTitle shows the title itself.
std::string aboutCaption(std::string_view title);
std::string versionLabel(std::int16_t majorPart, std::int16_t minorPart, std::int16_t revision);

} // namespace quorvane::window
