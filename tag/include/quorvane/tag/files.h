#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

// The platform layer: where the bytes of a conversion come from and go to.
// One implementation for POSIX, one for Windows.
namespace quorvane::tag {

// The input: a regular file or standard input, read in blocks.
class InputFile final {
public:
    // A regular file; anything else (folder, FIFO, device, console) is refused
    // with OpenFailed, without blocking.
    explicit InputFile(const std::filesystem::path& path);
    // Standard input, whatever it is (a pipe, a file, a terminal), in binary.
    static InputFile StandardInput();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    ~InputFile();
    // Up to `size` bytes; 0 only at the end. ReadFailed with the system's reason.
    std::size_t Read(unsigned char* into, std::size_t size);
    // The size the open file reported when opened; 0 when it reports none.
    std::uint64_t Size() const;

private:
    InputFile(std::intptr_t handle, bool owned, std::uint64_t size);

    std::intptr_t m_handle; // an fd on POSIX, a HANDLE on Windows
    bool m_owned;
    std::uint64_t m_size;
};

// Where bytes go: standard output or error, or a file path written safely.
class OutputFile final {
public:
    static OutputFile StandardOutput(); // binary, bytes as they are
    static OutputFile StandardError();  // messages (UTF-8; a Windows console gets UTF-16)
    // Decides by what stands at `path` after following symbolic links:
    // nothing or a regular file -> a temporary file in the target's own folder,
    //   put in place by Commit, the old file's permissions carried over;
    // anything else writable (character device, FIFO, NUL) -> written in place;
    // a folder, a missing parent, an unwritable folder -> WriteFailed naming
    //   the reason, nothing created.
    explicit OutputFile(const std::filesystem::path& path);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    ~OutputFile(); // without Commit: the temporary file is removed, the target untouched
    void Write(std::string_view bytes); // WriteFailed
    void Commit();                      // flush to disk and put in place; WriteFailed

private:
    OutputFile(std::intptr_t handle, bool owned);

    std::intptr_t m_handle; // an fd on POSIX, a HANDLE on Windows
    bool m_owned;
    std::filesystem::path m_target;    // the file Commit replaces; empty when written in place
    std::filesystem::path m_temporary; // where the bytes go until then
    bool m_console = false;            // Windows: messages to a console go as UTF-16
};

} // namespace quorvane::tag
