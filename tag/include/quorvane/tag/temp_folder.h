#pragma once

#include <filesystem>

namespace quorvane::tag {

// A folder of the program's own under the system's temporary folder, made
// when first asked for, readable by its user alone; it goes, with every file
// in it, when this goes. Failures are TagError (WriteFailed).
class TempFolder final {
public:
    TempFolder() = default;
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // The folder, made on the first call.
    const std::filesystem::path& path();

private:
    std::filesystem::path m_path;
};

} // namespace quorvane::tag
