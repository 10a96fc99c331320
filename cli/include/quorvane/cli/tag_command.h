#pragma once

#include "quorvane/cli/options.h"

#include <string>
#include <vector>

// The quorvane-tag program: parses the arguments, converts, reports.
// Exit status 0 on success, 1 when the conversion fails, 2 on a usage error.
namespace quorvane::cli {

class TagCommand final {
public:
    static constexpr int kSuccess = 0;
    static constexpr int kFailure = 1;
    static constexpr int kUsage = 2;

    // Never throws: every failure ends as exit status 1 and one line.
    static int Main(const std::vector<std::string>& args) noexcept;

private:
    explicit TagCommand(const Options& options)
        : m_options(options) {}

    static int Run(const std::vector<std::string>& args);
    int Convert() const;

    const Options& m_options;
};

} // namespace quorvane::cli
