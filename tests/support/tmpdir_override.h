#pragma once

#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>

namespace quorvane::test {

// Points TMPDIR, the system's temporary folder, at `folder` for as long as
// this lives.
class TmpdirOverride final {
public:
    explicit TmpdirOverride(const std::filesystem::path& folder) {
        if (const char* before = std::getenv("TMPDIR")) {
            m_before = before;
        }
        setenv("TMPDIR", folder.c_str(), 1);
    }
    ~TmpdirOverride() { m_before ? setenv("TMPDIR", m_before->c_str(), 1) : unsetenv("TMPDIR"); }
    TmpdirOverride(const TmpdirOverride&) = delete;
    TmpdirOverride& operator=(const TmpdirOverride&) = delete;

private:
    std::optional<std::string> m_before;
};

} // namespace quorvane::test
