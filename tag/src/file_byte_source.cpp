#include "quorvane/tag/file_byte_source.h"

#include "quorvane/tag/tag_error.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::tag {
namespace {

std::string Reason(int error) {
    return std::strerror(error);
}

} // namespace

FileByteSource::FileByteSource(const std::filesystem::path& path) {
    // Non-blocking, so that opening a FIFO does not wait for a writer; it is
    // refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        throw TagError(ErrorCode::OpenFailed, Reason(errno));
    }
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        const int error = errno;
        ::close(fd);
        throw TagError(ErrorCode::OpenFailed, Reason(error));
    }
    if (!S_ISREG(info.st_mode)) {
        ::close(fd);
        throw TagError(ErrorCode::OpenFailed,
                       S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_fd = fd;
    m_owned = true;
}

FileByteSource::FileByteSource(int fd, bool owned)
    : m_fd(fd)
    , m_owned(owned) {}

FileByteSource::~FileByteSource() {
    Close();
}

void FileByteSource::Close() noexcept {
    if (m_fd >= 0 && m_owned) {
        ::close(m_fd);
    }
    m_fd = -1;
}

std::size_t FileByteSource::Read(unsigned char* into, std::size_t size) {
    if (m_fd < 0) {
        throw TagError(ErrorCode::ReadFailed, "file is not open");
    }
    for (;;) {
        const ssize_t n = ::read(m_fd, into, size);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) {
            throw TagError(ErrorCode::ReadFailed, Reason(errno));
        }
    }
}

} // namespace quorvane::tag
