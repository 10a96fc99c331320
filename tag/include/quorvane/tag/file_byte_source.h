#pragma once

#include "quorvane/tag/byte_source.h"

#include <filesystem>

// Bytes of a regular file or of an already open descriptor (standard input).
// Opening a path refuses anything but a regular file, without blocking on
// FIFOs or devices. The descriptor is closed by Close() or the destructor.
namespace quorvane::tag {

class FileByteSource final : public ByteSource {
public:
    // Fails with ErrorCode::OpenFailed.
    explicit FileByteSource(const std::filesystem::path& path);
    // Reads from `fd`; closes it at the end only when `owned`.
    FileByteSource(int fd, bool owned);
    ~FileByteSource() override;

    FileByteSource(const FileByteSource&) = delete;
    FileByteSource& operator=(const FileByteSource&) = delete;

    std::size_t Read(unsigned char* into, std::size_t size) override;
    void Close() noexcept;

private:
    int m_fd = -1;
    bool m_owned = false;
};

} // namespace quorvane::tag
