#include "quorvane/window/settings.h"

#include <algorithm>
#include <gtest/gtest.h>
#include <tuple>

// The remembered settings as text pairs: each row is what a face read, and
// what the window takes from it, written back as pairs.
namespace quorvane::window {
namespace {

using namespace std::string_literals;

const SettingPairs kDefaults = {
    {"header", "false"},  {"escape", "false"},    {"delimiter", "comma"},
    {"encoding", "auto"}, {"tableAttribute", ""}, {"outputEncoding", "utf-8"},
    {"lastFolder", ""},
};

// The defaults with `changes` made.
SettingPairs With(const SettingPairs& changes) {
    SettingPairs pairs = kDefaults;
    for (const auto& [key, value] : changes) {
        std::ranges::find(pairs, key, &SettingPairs::value_type::first)->second = value;
    }
    return pairs;
}

const SettingPairs kChanged = {
    {"header", "true"},
    {"escape", "true"},
    {"delimiter", "tab"},
    {"encoding", "utf-16"},
    {"tableAttribute", "class=\"一覧\" border=1"},
    {"outputEncoding", "cp932"},
    {"lastFolder", "/home/ユーザー/表 😀"},
};

struct Row {
    SettingPairs read;
    SettingPairs taken;
};

const std::string kLong(kMaxText, 'x');

// clang-format off
const Row kRows[] = {
    {{}, kDefaults},
    {kChanged, kChanged},
    {With({{"delimiter", "semicolon"}, {"encoding", "cp932"}}),
     With({{"delimiter", "semicolon"}, {"encoding", "cp932"}})},
    {With({{"delimiter", "bar"}, {"encoding", "utf-8"}}),
     With({{"delimiter", "bar"}, {"encoding", "utf-8"}})},
    {{{"tableAttribute", kLong}, {"lastFolder", "/" + kLong.substr(1)}},
     With({{"tableAttribute", kLong}, {"lastFolder", "/" + kLong.substr(1)}})},
    // Another form, another spelling, a value only a newer version knows.
    {{{"header", "1"}, {"escape", "TRUE"}, {"delimiter", ","}, {"encoding", "shift_jis"},
      {"outputEncoding", "utf-16"}}, kDefaults},
    {{{"header", "true "}, {"escape", ""}, {"delimiter", "colon"}, {"encoding", "UTF-8"},
      {"outputEncoding", "Shift_JIS"}}, kDefaults},
    // Damaged text: ill-formed UTF-8, control characters, too long.
    {{{"tableAttribute", "class=\xff"}, {"lastFolder", "/tmp/\xc0\xaf"}}, kDefaults},
    {{{"tableAttribute", "a\nb"}, {"lastFolder", "/tmp/a\0b"s}}, kDefaults},
    {{{"tableAttribute", "a\x7f"}, {"lastFolder", "/tmp/\xed\xa0\x80"}}, kDefaults},
    {{{"tableAttribute", kLong + "x"}, {"lastFolder", "/" + kLong}}, kDefaults},
    {{{"tableAttribute", "\x80"}, {"lastFolder", "\x80/tmp"}}, kDefaults},
    // A folder that is not absolute is nobody's last choice.
    {{{"lastFolder", "docs/csv"}}, kDefaults},
    // U+FFFD written out is a character like any other.
    {{{"tableAttribute", "title=\"\uFFFD\""}}, With({{"tableAttribute", "title=\"\uFFFD\""}})},
    // Foreign keys pass unseen; the last of a key given twice counts.
    {{{"Header", "true"}, {"fontSize", "12"}, {"escape", "true"}, {"escape", "false"},
      {"header", "true"}, {"header", "yes"}}, kDefaults},
    {{{"delimiter", "bar"}, {"delimiter", "tab"}}, With({{"delimiter", "tab"}})},
};
// clang-format on

TEST(Settings, TakesWhatIsSoundAndTheDefaultForTheRest) {
    for (const Row& row : kRows) {
        EXPECT_EQ(toPairs(fromPairs(row.read)), row.taken) << "row " << &row - kRows;
    }
}

// The values reach the options they name.
TEST(Settings, SetTheOptionsTheyName) {
    const Settings settings = fromPairs(kChanged);
    const tag::TableOptions& o = settings.options;
    EXPECT_EQ(std::tuple(o.headerRow, o.escape, o.read.delimiter, o.read.encoding, o.tableAttribute,
                         o.output.encoding, o.output.document, settings.lastFolder),
              std::tuple(true, true, '\t', tag::Encoding::Utf16, kChanged[4].second,
                         tag::OutputEncoding::Cp932, false, kChanged[6].second));
}

} // namespace
} // namespace quorvane::window
