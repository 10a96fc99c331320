#pragma once

#include <filesystem>
#include <unistd.h>

namespace quorvane::test {

// A directory of its own for the running test, removed afterwards.
class ScratchDir final {
public:
    ScratchDir() { std::filesystem::create_directories(m_path); }
    ~ScratchDir() { std::filesystem::remove_all(m_path); }

    const std::filesystem::path& path() const { return m_path; }

private:
    // One folder per scratch directory made in this process.
    inline static int s_made = 0;
    const std::filesystem::path m_path =
        std::filesystem::temp_directory_path() /
        ("quorvane-scratch-" + std::to_string(getpid()) + "-" + std::to_string(s_made++));
};

} // namespace quorvane::test
