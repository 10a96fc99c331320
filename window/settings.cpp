#include "quorvane/window/settings.h"

#include "quorvane/window/utf8.h"

#include <algorithm>
#include <array>
#include <filesystem>
#include <string_view>

namespace quorvane::window {
namespace {

using tag::Encoding;
using tag::OutputEncoding;

// The names of the values of a key with a fixed set of them.
template <typename T> struct Name {
    T value;
    std::string_view text;
};

constexpr std::array<Name<bool>, 2> kBooleans{{{false, "false"}, {true, "true"}}};
constexpr std::array<Name<char>, 4> kDelimiters{
    {{',', "comma"}, {'\t', "tab"}, {';', "semicolon"}, {'|', "bar"}}};
constexpr std::array<Name<Encoding>, 4> kEncodings{{{Encoding::Auto, "auto"},
                                                    {Encoding::Cp932, "cp932"},
                                                    {Encoding::Utf8, "utf-8"},
                                                    {Encoding::Utf16, "utf-16"}}};
constexpr std::array<Name<OutputEncoding>, 2> kOutputEncodings{
    {{OutputEncoding::Utf8, "utf-8"}, {OutputEncoding::Cp932, "cp932"}}};

template <typename T, std::size_t N>
std::string nameOf(const std::array<Name<T>, N>& names, T value) {
    const auto it = std::ranges::find(names, value, &Name<T>::value);
    return std::string(it != names.end() ? it->text : names.front().text);
}

// Sets `value` when `text` names one of `names`.
template <typename T, std::size_t N>
void readName(const std::array<Name<T>, N>& names, const std::string* text, T& value) {
    const auto it = text ? std::ranges::find(names, *text, &Name<T>::text) : names.end();
    if (it != names.end()) {
        value = it->value;
    }
}

// Well-formed UTF-8 without control characters, of at most kMaxText bytes.
bool isCleanText(std::string_view text) {
    if (text.size() > kMaxText) {
        return false;
    }
    for (std::size_t pos = 0, end = 0; pos < text.size(); pos = end) {
        end = utf8::next(text, pos);
        const char32_t c = utf8::decode(text, pos);
        // U+FFFD stands for ill-formed bytes too, unless it is written out.
        const bool illFormed = c == 0xFFFD && text.substr(pos, end - pos) != "\xEF\xBF\xBD";
        if (illFormed || c < 0x20 || c == 0x7F) {
            return false;
        }
    }
    return true;
}

bool isFolder(const std::string& text) {
    return isCleanText(text) &&
           std::filesystem::path(std::u8string(text.begin(), text.end())).is_absolute();
}

// The last value given for `key`, or nullptr.
const std::string* find(const SettingPairs& pairs, std::string_view key) {
    const auto it = std::ranges::find(pairs.rbegin(), pairs.rend(), key, [](const auto& pair) {
        return std::string_view(pair.first);
    });
    return it != pairs.rend() ? &it->second : nullptr;
}

} // namespace

SettingPairs toPairs(const Settings& settings) {
    const tag::TableOptions& o = settings.options;
    return {
        {"header", nameOf(kBooleans, o.headerRow)},
        {"escape", nameOf(kBooleans, o.escape)},
        {"delimiter", nameOf(kDelimiters, o.read.delimiter)},
        {"encoding", nameOf(kEncodings, o.read.encoding)},
        {"tableAttribute", o.tableAttribute},
        {"outputEncoding", nameOf(kOutputEncodings, o.output.encoding)},
        {"lastFolder", settings.lastFolder},
    };
}

Settings fromPairs(const SettingPairs& pairs) {
    Settings settings;
    tag::TableOptions& o = settings.options;
    readName(kBooleans, find(pairs, "header"), o.headerRow);
    readName(kBooleans, find(pairs, "escape"), o.escape);
    readName(kDelimiters, find(pairs, "delimiter"), o.read.delimiter);
    readName(kEncodings, find(pairs, "encoding"), o.read.encoding);
    readName(kOutputEncodings, find(pairs, "outputEncoding"), o.output.encoding);
    if (const std::string* text = find(pairs, "tableAttribute"); text && isCleanText(*text)) {
        o.tableAttribute = *text;
    }
    if (const std::string* text = find(pairs, "lastFolder"); text && isFolder(*text)) {
        settings.lastFolder = *text;
    }
    return settings;
}

} // namespace quorvane::window
