#pragma once

#include <cstdint>
#include <string_view>

namespace quorvane::tag {

// A nameless temporary file in the system's temporary folder, written front
// to back and then read through a read-only mapping. Text held here is kept
// by the system's file cache: writing it costs a copy, not a page fault for
// every 4 KiB of fresh memory, and reading touches only what is read. The
// system removes the file when this goes, or when the program ends however
// it ends. Failures are TagError (WriteFailed) with the system's reason.
class SpoolFile final {
public:
    SpoolFile();
    SpoolFile(SpoolFile&& other) noexcept;
    SpoolFile& operator=(SpoolFile&& other) noexcept;
    SpoolFile(const SpoolFile&) = delete;
    SpoolFile& operator=(const SpoolFile&) = delete;
    ~SpoolFile();

    // Appends `bytes`; only before Map.
    void Write(std::string_view bytes);
    // Maps what was written, once; the view stays where it is, through
    // moves, until this goes.
    std::string_view Map();
    std::string_view View() const { return {m_view, m_size}; }

private:
    void Close() noexcept;

    // A file descriptor or a handle; -1 is neither on any system.
    static constexpr std::intptr_t kNoSpool = -1;

    std::intptr_t m_handle = kNoSpool;
    std::uint64_t m_size = 0;
    const char* m_view = nullptr;
};

} // namespace quorvane::tag
