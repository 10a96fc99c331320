#pragma once

#include "byte_source.h"
#include "quorvane/tag/large_array.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvane::tag {

// Reads a source on a thread of its own, one buffer ahead of its reader:
// while the reader works through one buffer, the thread fills the other
// whole, or up to the end of the data.
class ReadAhead final {
public:
    // Starts filling a buffer of `allocation` bytes with up to `capacity`
    // bytes from `source` at once.
    ReadAhead(ByteSource& source, std::size_t capacity, std::size_t allocation);
    // Waits for the read in progress and stops the thread.
    ~ReadAhead();

    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

    // Waits for the buffer being filled and swaps it for `buffer`, a buffer
    // of the same size that the thread fills next. Returns how many bytes
    // the buffer holds, from its start; 0 at the end of the data, and from
    // then on without reading. What the source threw is thrown here, by
    // the call after the one that hands over what was read before it.
    std::size_t Swap(LargeArray<unsigned char>& buffer);

private:
    void Fill();

    ByteSource& m_source;
    std::size_t m_capacity;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Being filled while m_filling; then holding m_size bytes.
    LargeArray<unsigned char> m_buffer;
    std::size_t m_size = 0;
    bool m_filling = true;
    bool m_stop = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace quorvane::tag
