#include "read_ahead.h"

#include <utility>

namespace quorvane::tag {

ReadAhead::ReadAhead(ByteSource& source, std::size_t capacity, std::size_t allocation)
    : m_source(source)
    , m_capacity(capacity)
    , m_buffer(MakeLarge<unsigned char>(allocation))
    , m_thread([this] { Fill(); }) {}

ReadAhead::~ReadAhead() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_filling; });
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

std::size_t ReadAhead::Swap(LargeArray<unsigned char>& buffer) {
    std::unique_lock lock(m_mutex);
    m_changed.wait(lock, [this] { return !m_filling; });
    // What was read before a failure goes first; the failure then.
    if (m_failure && m_size == 0) {
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    }
    std::swap(buffer, m_buffer);
    const std::size_t size = std::exchange(m_size, 0);
    m_filling = size > 0 && !m_failure;
    lock.unlock();
    m_changed.notify_all();
    return size;
}

// The thread: fills the buffer each time it is asked, until stopped.
void ReadAhead::Fill() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_filling || m_stop; });
        if (m_stop) {
            return;
        }
        unsigned char* into = m_buffer.get();
        lock.unlock();
        std::size_t size = 0;
        std::exception_ptr failure;
        try {
            // The buffer is filled whole, so that the reader swaps, and
            // wakes this thread, once for each buffer.
            for (std::size_t n = 1; n > 0 && size < m_capacity; size += n) {
                n = m_source.Read(into + size, m_capacity - size);
            }
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        m_size = size;
        m_failure = failure;
        m_filling = false;
        m_changed.notify_all();
    }
}

} // namespace quorvane::tag
