#include "quorvane/tag/files.h"
#include "quorvane/tag/large_array.h"
#include "quorvane/tag/spool_file.h"

#include "quorvane/tag/tag_error.h"

#include <cerrno>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <new>
#include <random>
#include <string>
#include <sys/mman.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>
#include <utility>

namespace quorvane::tag {
namespace {

namespace fs = std::filesystem;

// Links followed before giving up, as the kernel does.
constexpr int kMaxLinks = 40;

[[noreturn]] void Fail(ErrorCode code, int error) {
    throw TagError(code, std::strerror(error));
}

int Fd(std::intptr_t handle) {
    return static_cast<int>(handle);
}

// All of `bytes`, however many calls it takes; a write that takes nothing
// is a failure, not a reason to try forever.
void WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) {
            continue;
        }
        if (n <= 0) {
            Fail(ErrorCode::WriteFailed, n < 0 ? errno : EIO);
        }
        bytes.remove_prefix(static_cast<std::size_t>(n));
    }
}

// What `path` names once every symbolic link on its end is followed; the path
// itself when nothing (or no link) stands there.
fs::path FinalTarget(fs::path path) {
    for (int hops = 0; hops < kMaxLinks; ++hops) {
        struct stat info {};
        if (::lstat(path.c_str(), &info) != 0 || !S_ISLNK(info.st_mode)) {
            return path;
        }
        std::string link(PATH_MAX, '\0');
        const ssize_t n = ::readlink(path.c_str(), link.data(), link.size());
        if (n < 0) {
            Fail(ErrorCode::WriteFailed, errno);
        }
        link.resize(static_cast<std::size_t>(n));
        const fs::path next(link);
        path = next.is_absolute() ? next : path.parent_path() / next;
    }
    Fail(ErrorCode::WriteFailed, ELOOP);
}

// Creates a new file beside `target` under a name nobody uses; the kernel
// applies the umask to 0666.
int CreateTemporary(const fs::path& target, fs::path& name) {
    std::random_device random;
    for (int attempt = 0; attempt < 100; ++attempt) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, ".%08x", static_cast<unsigned>(random()));
        name = target;
        name += suffix;
        const int fd =
            ::open(name.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC | O_NOCTTY, 0666);
        if (fd >= 0) {
            return fd;
        }
        if (errno != EEXIST) {
            Fail(ErrorCode::WriteFailed, errno);
        }
    }
    Fail(ErrorCode::WriteFailed, EEXIST);
}

// Gives the replacement the old file's owner and group where the process may
// (it may not as a normal user, and then keeps its own), then its mode.
void CarryOver(int fd, const struct stat& old) {
    if (::fchown(fd, old.st_uid, old.st_gid) != 0) {
        [[maybe_unused]] const int ignored = ::fchown(fd, static_cast<uid_t>(-1), old.st_gid);
    }
    if (::fchmod(fd, old.st_mode & 07777) != 0) {
        Fail(ErrorCode::WriteFailed, errno);
    }
}

// Makes the rename itself durable; a folder that refuses is no failure.
void SyncFolder(const fs::path& target) {
    const fs::path folder = target.has_parent_path() ? target.parent_path() : fs::path(".");
    const int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

InputFile::InputFile(const fs::path& path)
    : InputFile(-1, true, 0) {
    // Non-blocking, so that opening a FIFO does not wait for a writer; it is
    // refused below anyway.
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK | O_NOCTTY);
    if (fd < 0) {
        Fail(ErrorCode::OpenFailed, errno);
    }
    m_handle = fd;
    struct stat info {};
    if (::fstat(fd, &info) != 0) {
        Fail(ErrorCode::OpenFailed, errno);
    }
    if (!S_ISREG(info.st_mode)) {
        throw TagError(ErrorCode::OpenFailed,
                       S_ISDIR(info.st_mode) ? "is a directory" : "not a regular file");
    }
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);
    m_size = static_cast<std::uint64_t>(info.st_size);
}

InputFile InputFile::StandardInput() {
    struct stat info {};
    const bool regular = ::fstat(STDIN_FILENO, &info) == 0 && S_ISREG(info.st_mode);
    return InputFile(STDIN_FILENO, false, regular ? static_cast<std::uint64_t>(info.st_size) : 0);
}

InputFile::InputFile(InputFile&& other) noexcept
    : m_handle(other.m_handle)
    , m_owned(other.m_owned)
    , m_size(other.m_size) {
    other.m_handle = -1;
    other.m_owned = false;
}

InputFile::~InputFile() {
    if (m_owned && m_handle >= 0) {
        ::close(Fd(m_handle));
    }
}

std::size_t InputFile::Read(unsigned char* into, std::size_t size) {
    for (;;) {
        const ssize_t n = ::read(Fd(m_handle), into, size);
        if (n >= 0) {
            return static_cast<std::size_t>(n);
        }
        if (errno != EINTR) {
            Fail(ErrorCode::ReadFailed, errno);
        }
    }
}

OutputFile OutputFile::StandardOutput() {
    return OutputFile(STDOUT_FILENO, false);
}

OutputFile OutputFile::StandardError() {
    return OutputFile(STDERR_FILENO, false);
}

OutputFile::OutputFile(const fs::path& path, Other other)
    : OutputFile(-1, true) {
    const fs::path target = FinalTarget(path);
    struct stat info {};
    const bool exists = ::stat(target.c_str(), &info) == 0;
    if (exists && S_ISDIR(info.st_mode)) {
        throw TagError(ErrorCode::WriteFailed, "is a directory");
    }
    if (exists && !S_ISREG(info.st_mode)) {
        if (other == Other::Refused) {
            throw TagError(ErrorCode::WriteFailed, "not a regular file");
        }
        // A device or FIFO is written in place; without O_CREAT nothing
        // can come into being here.
        const int fd = ::open(target.c_str(), O_WRONLY | O_CLOEXEC | O_NOCTTY);
        if (fd < 0) {
            Fail(ErrorCode::WriteFailed, errno);
        }
        m_handle = fd;
        return;
    }
    fs::path temporary;
    m_handle = CreateTemporary(target, temporary);
    m_temporary = std::move(temporary);
    m_target = target;
    if (exists) {
        CarryOver(Fd(m_handle), info);
    }
}

OutputFile::OutputFile(OutputFile&& other) noexcept
    : m_handle(other.m_handle)
    , m_owned(other.m_owned)
    , m_temporary(std::move(other.m_temporary))
    , m_target(std::move(other.m_target)) {
    other.m_handle = -1;
    other.m_owned = false;
    other.m_temporary.clear();
}

OutputFile::~OutputFile() {
    if (m_owned && m_handle >= 0) {
        ::close(Fd(m_handle));
    }
    if (!m_temporary.empty()) {
        ::unlink(m_temporary.c_str());
    }
}

void OutputFile::Write(std::string_view bytes) {
    WriteAll(Fd(m_handle), bytes);
}

void OutputFile::Commit() {
    if (m_temporary.empty()) {
        return;
    }
    const int fd = Fd(m_handle);
    m_handle = -1;
    if (::fsync(fd) != 0) {
        const int error = errno;
        ::close(fd);
        Fail(ErrorCode::WriteFailed, error);
    }
    if (::close(fd) != 0 || ::rename(m_temporary.c_str(), m_target.c_str()) != 0) {
        Fail(ErrorCode::WriteFailed, errno);
    }
    m_temporary.clear();
    SyncFolder(m_target);
}

// Opened unnamed where the system allows it; otherwise named and at once
// unlinked, so that nothing is left behind even by a crash.
SpoolFile::SpoolFile() {
    std::error_code error;
    const fs::path folder = fs::temp_directory_path(error);
    if (error) {
        throw TagError(ErrorCode::WriteFailed, "no temporary folder: " + error.message());
    }
#ifdef O_TMPFILE
    int fd = ::open(folder.c_str(), O_TMPFILE | O_RDWR | O_CLOEXEC, 0600);
#else
    int fd = -1;
#endif
    if (fd < 0) {
        std::string name = (folder / "quorvane-XXXXXX").string();
        fd = ::mkostemp(name.data(), O_CLOEXEC);
        if (fd < 0) {
            Fail(ErrorCode::WriteFailed, errno);
        }
        ::unlink(name.c_str());
    }
    m_handle = fd;
}

void SpoolFile::Close() noexcept {
    if (m_view != nullptr) {
        ::munmap(const_cast<char*>(m_view), m_size);
        m_view = nullptr;
    }
    if (m_handle != kNoSpool) {
        ::close(Fd(m_handle));
        m_handle = kNoSpool;
    }
}

void SpoolFile::Write(std::string_view bytes) {
    WriteAll(Fd(m_handle), bytes);
    m_size += bytes.size();
}

// The mapping holds the file: the descriptor is let go.
std::string_view SpoolFile::Map() {
    if (m_view == nullptr && m_size > 0) {
        void* view = ::mmap(nullptr, m_size, PROT_READ, MAP_SHARED, Fd(m_handle), 0);
        if (view == MAP_FAILED) {
            Fail(ErrorCode::WriteFailed, errno);
        }
        m_view = static_cast<const char*>(view);
        ::close(Fd(m_handle));
        m_handle = kNoSpool;
    }
    return View();
}

// Large buffers on transparent huge pages where the kernel offers them on
// advice: each is aligned to and rounded up to 2 MiB, so one page holds it.
void* AllocateLarge(std::size_t size) {
    constexpr std::size_t kLarge = 128 << 10;
    constexpr std::size_t kHugePage = 2 << 20;
    void* bytes = nullptr;
    if (size < kLarge) {
        bytes = std::malloc(size > 0 ? size : 1);
    } else {
        const std::size_t rounded = (size + kHugePage - 1) / kHugePage * kHugePage;
        if (rounded < size || posix_memalign(&bytes, kHugePage, rounded) != 0) {
            bytes = nullptr;
        } else {
            // Only advice: without it the pages are small ones.
            madvise(bytes, rounded, MADV_HUGEPAGE);
        }
    }
    if (bytes == nullptr) {
        throw std::bad_alloc();
    }
    return bytes;
}

void FreeLarge(void* bytes) noexcept {
    std::free(bytes);
}

} // namespace quorvane::tag
