// The About window's description choice and its load step's texts.
#include "quorvane/window/about_layout.h"
#include "quorvane/window/utf8.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace quorvane::window;

namespace {

// One unit a character: the caption is 12 wide, the spaces 29 and "CSV" 3.
double characters(std::string_view text) {
    double count = 0;
    for (std::size_t pos = 0; pos < text.size(); pos = utf8::next(text, pos)) {
        ++count;
    }
    return count;
}

std::string spaced() {
    return std::string(kDescriptionCaption) + std::string(kDescriptionSpaces) +
           std::string(kDescription);
}

std::string broken() {
    return std::string(kDescriptionCaption) + "\r\n" + std::string(kDescription);
}

// Where the label hangs the run, the spaces keep the description off the
// first line while the caption, the spaces and "CSV", 44 wide, pass the
// line; a line that holds them all takes the line end instead. Where it
// breaks only after ASCII spaces, the last, ideographic, space would start
// the second line: the line end, however wide.
TEST(AboutLayout, DescriptionKeepsItsSpacesOnlyWhereTheyPushTheDescriptionDown) {
    struct Case {
        double lineWidth;
        bool spacedWhereHung;
    };
    const Case cases[] = {
        {0, true},     // narrower than the caption: the spaces hang after it
        {41, true},    // the caption and the spaces fill the line
        {42, true},    // room for "C" but not for "CSV"
        {43.5, true},  // still not for "CSV"
        {44, false},   // all of "CSV" fits after the spaces
        {1000, false}, // the whole description would fit
    };
    for (const Case& c : cases) {
        EXPECT_EQ(descriptionText(characters, c.lineWidth, SpaceBreak::HangsRun, "\r\n"),
                  c.spacedWhereHung ? spaced() : broken())
            << c.lineWidth;
        EXPECT_EQ(descriptionText(characters, c.lineWidth, SpaceBreak::AfterAsciiSpace, "\r\n"),
                  broken())
            << c.lineWidth;
    }
}

TEST(AboutLayout, LoadStepWritesTheTitleAndVersionParts) {
    struct Case {
        std::string_view title;
        std::int16_t majorPart, minorPart, revision;
        std::string caption, version;
    };
    const Case cases[] = {
        {"Quorvane", 1, 0, 2, "Quorvaneのﾊﾞｰｼﾞｮﾝ情報", "ﾊﾞｰｼﾞｮﾝ 1.0.2"},
        {"Quorvane", 1, 0, 12, "Quorvaneのﾊﾞｰｼﾞｮﾝ情報", "ﾊﾞｰｼﾞｮﾝ 1.0.12"},
        {"ぽるめに", 10, 200, 3000, "ぽるめにのﾊﾞｰｼﾞｮﾝ情報", "ﾊﾞｰｼﾞｮﾝ 10.200.3000"},
        {"", 32767, -1, -32768, "のﾊﾞｰｼﾞｮﾝ情報", "ﾊﾞｰｼﾞｮﾝ 32767.-1.-32768"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(aboutCaption(c.title), c.caption);
        EXPECT_EQ(versionLabel(c.majorPart, c.minorPart, c.revision), c.version);
    }
}

} // namespace
