#pragma once

#include "quorvane/tag/encoding.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

// What one run of quorvane-tag is asked to do.
namespace quorvane::cli {

struct Options final {
    enum class Action { Convert, Help, Version };

    Action action = Action::Convert;
    std::int16_t fieldCount = 1;
    // Attribute text of column c + 1 at index c; empty means none.
    std::vector<std::u16string> styleRows;
    tag::Encoding encoding = tag::Encoding::Auto;
    // "-" is standard input.
    std::string input;
    std::optional<std::string> output;
};

} // namespace quorvane::cli
