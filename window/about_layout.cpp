#include "quorvane/window/about_layout.h"

#include "quorvane/window/layout_table.h"

namespace quorvane::window {
namespace {

using enum AboutControl;
using K = AboutKind;

// lblDescription's text depends on its font: descriptionText.
constexpr AboutControlLayout kControls[] = {
    {Text1, "Text1", K::AddressBox, "https://www.example.com/", {1080, 2160, 3015, 270}, 6, true},
    {picIcon, "picIcon", K::Picture, "", {240, 210, 540, 540}, 1},
    {cmdOK, "cmdOK", K::Button, "OK", {4245, 2040, 1380, 345}, 0, true, true},
    {Label1, "Label1", K::Label, "office ぽるめに", {1050, 1890, 2535, 225}, 5},
    {.control = Line1,
     .name = "Line1",
     .kind = K::Line,
     .tab = -1,
     .line = {1, 90, 5654, 1710, 1, LineColour::Shadow}},
    {lblDescription, "lblDescription", K::Label, "", {1050, 1125, 3885, 540}, 2},
    {lblTitle, "lblTitle", K::Label, "ｱﾌﾟﾘｹｰｼｮﾝ ﾀｲﾄﾙ", {1050, 240, 3885, 480}, 3},
    {.control = Line1,
     .name = "Line1",
     .kind = K::Line,
     .tab = -1,
     .line = {0, 105, 5654, 1725, 2, LineColour::Highlight}},
    {lblVersion, "lblVersion", K::Label, "ﾊﾞｰｼﾞｮﾝ", {1050, 780, 3885, 225}, 4},
};

constexpr auto kFocusOrder = tabOrderOf<kControls, &AboutControlLayout::takesFocus>();

// Where a line may first break inside the description: after its leading
// run of Latin letters and digits ("CSV"), which no line breaks inside.
constexpr std::string_view kFirstWord =
    kDescription.substr(0, kDescription.find_first_not_of(
                               "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789"));
static_assert(!kFirstWord.empty(), "the description starts with a Latin word");

std::string joined(std::initializer_list<std::string_view> parts) {
    std::string text;
    for (std::string_view part : parts) {
        text += part;
    }
    return text;
}

} // namespace

std::span<const AboutControlLayout> aboutControls() {
    return kControls;
}

const AboutControlLayout& aboutLayoutOf(AboutControl control) {
    return entryOf(kControls, control);
}

std::span<const AboutControl> aboutFocusOrder() {
    return kFocusOrder;
}

// The run ends in an ideographic space, which a label that breaks only
// after ASCII spaces would put before the description on the second line.
std::string descriptionText(const TextWidth& widthOf, double lineWidth, SpaceBreak breaks,
                            std::string_view lineEnd) {
    const std::string lead = joined({kDescriptionCaption, kDescriptionSpaces, kFirstWord});
    if (breaks == SpaceBreak::HangsRun && widthOf(lead) > lineWidth) {
        return joined({kDescriptionCaption, kDescriptionSpaces, kDescription});
    }
    return joined({kDescriptionCaption, lineEnd, kDescription});
}

std::string aboutCaption(std::string_view title) {
    return joined({title, "のﾊﾞｰｼﾞｮﾝ情報"});
}

std::string versionLabel(std::int16_t majorPart, std::int16_t minorPart, std::int16_t revision) {
    return joined({"ﾊﾞｰｼﾞｮﾝ ", std::to_string(majorPart), ".", std::to_string(minorPart), ".",
                   std::to_string(revision)});
}

} // namespace quorvane::window
