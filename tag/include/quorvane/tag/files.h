#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <string_view>

// The one place where the core touches the file system: reading the CSV file
// or standard input, and writing the table to standard output, standard
// error or a file. Failures are TagError (OpenFailed, ReadFailed,
// WriteFailed) with the system's reason as their text.
namespace quorvane::tag {

// The input: a regular file or standard input, read in blocks.
class InputFile final {
public:
    // A regular file; anything else (folder, FIFO, device, console) is
    // refused with OpenFailed, without blocking.
    explicit InputFile(const std::filesystem::path& path);
    // Standard input, whatever it is (a pipe, a file, a terminal), in binary.
    static InputFile StandardInput();
    InputFile(InputFile&& other) noexcept;
    InputFile& operator=(InputFile&&) = delete;
    ~InputFile();

    // Up to `size` bytes; 0 only at the end. ReadFailed with the system's
    // reason.
    std::size_t Read(unsigned char* into, std::size_t size);
    // The size the open file reported when opened; 0 when it reports none.
    std::uint64_t Size() const { return m_size; }

private:
    InputFile(std::intptr_t handle, bool owned, std::uint64_t size)
        : m_handle(handle)
        , m_owned(owned)
        , m_size(size) {}

    std::intptr_t m_handle;
    bool m_owned;
    std::uint64_t m_size;
};

// Where bytes go: standard output or error, or a file path written safely.
class OutputFile final {
public:
    // Binary, bytes as they are.
    static OutputFile StandardOutput();
    // Binary, bytes as they are.
    static OutputFile StandardError();
    // What becomes of a path that names a device or a FIFO.
    enum class Other {
        WrittenInPlace,
        // WriteFailed, "not a regular file".
        Refused,
    };

    // Decides by what stands at `path` once symbolic links are followed:
    // nothing or a regular file: a temporary file beside the target, put in
    //   its place by Commit; an existing file's permissions (and owner and
    //   group where allowed) carry over, a new one gets 0666 less the umask;
    // anything else that opens for writing (a device, a FIFO): as `other`
    //   says; written in place, nothing created or replaced;
    // a folder, a missing parent, an unwritable folder: WriteFailed naming
    //   the reason, nothing created.
    explicit OutputFile(const std::filesystem::path& path, Other other = Other::WrittenInPlace);
    OutputFile(OutputFile&& other) noexcept;
    OutputFile& operator=(OutputFile&&) = delete;
    // Without Commit the temporary file is removed and the target untouched.
    ~OutputFile();

    void Write(std::string_view bytes);
    // Flushes to disk and puts the temporary file in place.
    void Commit();

private:
    OutputFile(std::intptr_t handle, bool owned)
        : m_handle(handle)
        , m_owned(owned) {}

    std::intptr_t m_handle;
    bool m_owned;
    // Set while a temporary file waits to replace m_target.
    std::filesystem::path m_temporary;
    std::filesystem::path m_target;
};

} // namespace quorvane::tag
