#include "output_sink.h"

#include <utility>

namespace quorvane::cli {

OutputSink::OutputSink(tag::OutputFile& file)
    : m_file(file)
    , m_writer([this] { Write(); }) {}

OutputSink::~OutputSink() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_busy; });
        m_stop = true;
    }
    m_changed.notify_all();
    m_writer.join();
}

// Small text is written at once, after the block before it.
void OutputSink::Append(std::string_view utf8) {
    std::unique_lock lock(m_mutex);
    WaitIdle(lock);
    m_file.Write(utf8);
}

// The block written last comes back, unless it is too small.
void OutputSink::AppendBlock(std::unique_ptr<char[]>& block, std::size_t size,
                             std::size_t capacity) {
    std::unique_lock lock(m_mutex);
    WaitIdle(lock);
    std::swap(block, m_block);
    const bool tooSmall = m_capacity < capacity;
    m_capacity = capacity;
    m_size = size;
    m_busy = true;
    lock.unlock();
    m_changed.notify_all();
    if (tooSmall) {
        block = std::make_unique_for_overwrite<char[]>(capacity);
    }
}

void OutputSink::Finish() {
    std::unique_lock lock(m_mutex);
    WaitIdle(lock);
}

// Waits until no block is being written; throws the failure of the last
// write, once.
void OutputSink::WaitIdle(std::unique_lock<std::mutex>& lock) {
    m_changed.wait(lock, [this] { return !m_busy; });
    if (m_failure) {
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    }
}

// The writer thread: one block at a time, until stopped.
void OutputSink::Write() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return m_busy || m_stop; });
        if (!m_busy) {
            return;
        }
        lock.unlock();
        std::exception_ptr failure;
        try {
            m_file.Write({m_block.get(), m_size});
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        m_failure = failure;
        m_busy = false;
        m_changed.notify_all();
    }
}

} // namespace quorvane::cli
