#include "quorvane/window/options_menu.h"

#include "quorvane/window/table_window_face.h"

#include <algorithm>
#include <iterator>
#include <utility>

namespace quorvane::window {
namespace {

constexpr std::pair<MenuItem, char> kDelimiters[] = {
    {MenuItem::mnuComma, ','},
    {MenuItem::mnuTab, '\t'},
    {MenuItem::mnuSemicolon, ';'},
    {MenuItem::mnuBar, '|'},
};
constexpr std::pair<MenuItem, tag::Encoding> kEncodings[] = {
    {MenuItem::mnuAuto, tag::Encoding::Auto},
    {MenuItem::mnuReadCp932, tag::Encoding::Cp932},
    {MenuItem::mnuReadUtf8, tag::Encoding::Utf8},
    {MenuItem::mnuReadUtf16, tag::Encoding::Utf16},
};
constexpr std::pair<MenuItem, tag::OutputEncoding> kOutputEncodings[] = {
    {MenuItem::mnuSaveUtf8, tag::OutputEncoding::Utf8},
    {MenuItem::mnuSaveCp932, tag::OutputEncoding::Cp932},
};

// The choice of a group that `item` stands for, if it is one of the group's.
template <typename Value, std::size_t N>
bool choose(const std::pair<MenuItem, Value> (&group)[N], MenuItem item, Value& value) {
    const auto* found = std::ranges::find(group, item, &std::pair<MenuItem, Value>::first);
    if (found == std::end(group)) {
        return false;
    }
    value = found->second;
    return true;
}

} // namespace

void OptionsMenu::load() {
    m_settings = fromPairs(m_face.loadSettings());
    showChecks();
}

bool OptionsMenu::click(MenuItem item) {
    Settings changed = m_settings;
    tag::TableOptions& o = changed.options;
    if (item == MenuItem::mnuHeader) {
        o.headerRow = !o.headerRow;
    } else if (item == MenuItem::mnuEscape) {
        o.escape = !o.escape;
    } else if (!choose(kDelimiters, item, o.read.delimiter) &&
               !choose(kEncodings, item, o.read.encoding) &&
               !choose(kOutputEncodings, item, o.output.encoding)) {
        return false;
    }
    change(changed);
    return true;
}

void OptionsMenu::setTableAttribute(const std::string& utf8) {
    Settings changed = m_settings;
    changed.options.tableAttribute = utf8;
    change(changed);
}

void OptionsMenu::setLastFolder(const std::string& utf8) {
    Settings changed = m_settings;
    changed.lastFolder = utf8;
    change(changed);
}

// What the settings' own rules would not keep (a text too long) is not
// taken: the settings stay what they read back as.
void OptionsMenu::change(const Settings& changed) {
    const SettingPairs before = toPairs(m_settings);
    const SettingPairs after = toPairs(fromPairs(toPairs(changed)));
    SettingPairs written;
    std::ranges::copy_if(after, std::back_inserter(written), [&](const auto& pair) {
        return std::ranges::find(before, pair) == before.end();
    });
    m_settings = fromPairs(after);
    showChecks();
    if (!written.empty()) {
        m_face.saveSettings(written);
    }
}

void OptionsMenu::showChecks() {
    const tag::TableOptions& o = m_settings.options;
    m_face.setChecked(MenuItem::mnuHeader, o.headerRow);
    m_face.setChecked(MenuItem::mnuEscape, o.escape);
    for (const auto& [item, delimiter] : kDelimiters) {
        m_face.setChecked(item, o.read.delimiter == delimiter);
    }
    for (const auto& [item, encoding] : kEncodings) {
        m_face.setChecked(item, o.read.encoding == encoding);
    }
    for (const auto& [item, encoding] : kOutputEncodings) {
        m_face.setChecked(item, o.output.encoding == encoding);
    }
}

} // namespace quorvane::window
