#pragma once

#include "quorvane/tag/convert.h"

#include <optional>
#include <string>

// What one run of quorvane-tag is asked to do.
namespace quorvane::cli {

struct Options final {
    enum class Action { Convert, Help, Version };

    Action action = Action::Convert;
    tag::ReadOptions read;
    tag::BuildOptions build;
    // "-" is standard input.
    std::string input;
    std::optional<std::string> output;
};

} // namespace quorvane::cli
