#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::tag {

// What the table is made of the fields.
struct BuildOptions final {
    // Fields per table row; below 1: InvalidArgument.
    std::int16_t fieldCount = 1;
    // UTF-8 attribute of column c + 1 at index c; empty or missing: none.
    std::vector<std::string> styleRows{};
    // The first table row's cells are header cells, <th> instead of <td>.
    bool headerRow = false;
    // Field text has & < > " ' written as character references.
    bool escape = false;
    // UTF-8 text inside the opening tag, "<table TEXT>"; empty: "<table>".
    std::string tableAttribute{};
};

} // namespace quorvane::tag
