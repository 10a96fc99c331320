#pragma once

#include "quorvane/tag/table_options.h"

#include <string>
#include <utility>
#include <vector>

// What the window remembers between runs, as plain text pairs that a face
// keeps where its platform keeps settings. The keys and their values:
//   header=true|false          the first row as <th> cells
//   escape=true|false          & < > " ' in field text as references
//   delimiter=comma|tab|semicolon|bar
//   encoding=auto|cp932|utf-8|utf-16
//   tableAttribute=TEXT        UTF-8, no control characters, at most
//                              kMaxText bytes; empty: "<table>"
//   outputEncoding=utf-8|cp932 how a saved table is written
//   lastFolder=PATH            UTF-8, absolute, no control characters, at
//                              most kMaxText bytes; empty: none yet
// Reading never fails: a missing key, or a value that is damaged, of
// another form, or one that only a newer version knows, gives that key's
// default; keys this version does not know are passed over; of a key given
// twice the last counts.
namespace quorvane::window {

struct Settings final {
    // All of it but output.document, which the command decides.
    tag::TableOptions options{};
    std::string lastFolder{};
};

using SettingPairs = std::vector<std::pair<std::string, std::string>>;

inline constexpr std::size_t kMaxText = 32767;

// Every key above with its value, in the order listed.
SettingPairs toPairs(const Settings& settings);
Settings fromPairs(const SettingPairs& pairs);

} // namespace quorvane::window
