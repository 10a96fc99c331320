#include "quorvane/tag/temp_folder.h"

#include "quorvane/tag/tag_error.h"

#include <random>
#include <string>
#include <system_error>

namespace quorvane::tag {

TempFolder::~TempFolder() {
    if (!m_path.empty()) {
        std::error_code ignored;
        std::filesystem::remove_all(m_path, ignored);
    }
}

// A new folder of a random name: one that is there already is never taken.
const std::filesystem::path& TempFolder::path() {
    if (!m_path.empty()) {
        return m_path;
    }
    std::error_code error;
    const std::filesystem::path base = std::filesystem::temp_directory_path(error);
    std::random_device seed;
    std::mt19937_64 random(seed());
    for (int attempt = 0; !error && attempt < 100; ++attempt) {
        const std::filesystem::path folder = base / ("quorvane-" + std::to_string(random()));
        if (std::filesystem::create_directory(folder, error)) {
            std::filesystem::permissions(folder, std::filesystem::perms::owner_all,
                                         std::filesystem::perm_options::replace, error);
            m_path = folder;
            return m_path;
        }
    }
    throw TagError(ErrorCode::WriteFailed,
                   "no temporary folder: " + (error ? error.message() : std::string("taken")));
}

} // namespace quorvane::tag
