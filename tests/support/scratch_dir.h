#pragma once

#include <gtest/gtest.h>

#include <algorithm>
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
    // The test's name; a parameterized one holds a '/', which must not make a
    // folder.
    static std::string Name() {
        std::string name = testing::UnitTest::GetInstance()->current_test_info()->name();
        std::ranges::replace(name, '/', '-');
        return name;
    }

    const std::filesystem::path m_path =
        std::filesystem::temp_directory_path() /
        ("quorvane-scratch-" + std::to_string(getpid()) + "-" + Name());
};

} // namespace quorvane::test
