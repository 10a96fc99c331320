#pragma once

#include "quorvane/tag/table_options.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What one run of quorvane-tag is asked to do.
namespace quorvane::cli {

struct Options final {
    enum class Action { Convert, Help, Version };

    Action action = Action::Convert;
    tag::TableOptions table;
    // The column settings: fields per row, attribute of column c + 1 at c.
    std::int16_t fieldCount = 1;
    std::vector<std::string> styleRows;
    // "-" is standard input.
    std::string input;
    std::optional<std::string> output;
};

} // namespace quorvane::cli
