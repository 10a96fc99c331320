#include "quorvane/tag/spool_file.h"

#include <utility>

// What does not touch the system; the rest is in each platform's half.
namespace quorvane::tag {

SpoolFile::SpoolFile(SpoolFile&& other) noexcept
    : m_handle(std::exchange(other.m_handle, kNoSpool))
    , m_size(std::exchange(other.m_size, 0))
    , m_view(std::exchange(other.m_view, nullptr)) {}

SpoolFile& SpoolFile::operator=(SpoolFile&& other) noexcept {
    if (this != &other) {
        Close();
        m_handle = std::exchange(other.m_handle, kNoSpool);
        m_size = std::exchange(other.m_size, 0);
        m_view = std::exchange(other.m_view, nullptr);
    }
    return *this;
}

SpoolFile::~SpoolFile() {
    Close();
}

} // namespace quorvane::tag
