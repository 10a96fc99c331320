#pragma once

#include <stdexcept>
#include <string>

// A command line that cannot be run: exit status 2, nothing written.
namespace quorvane::cli {

class UsageError final : public std::runtime_error {
public:
    explicit UsageError(const std::string& what)
        : std::runtime_error(what) {}
};

} // namespace quorvane::cli
