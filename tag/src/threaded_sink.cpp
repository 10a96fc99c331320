#include "quorvane/tag/threaded_sink.h"

#include <utility>

namespace quorvane::tag {
namespace {

// Blocks handed over and not yet passed on, at the most.
constexpr std::size_t kWaiting = 4;
// Blocks passed on that wait before they are given back, the oldest first:
// by then the sink's thread has moved on from their bytes, and writing
// into bytes another processor has just read would cost a transfer of
// each of their lines.
constexpr std::size_t kResting = 2;

} // namespace

ThreadedSink::ThreadedSink(TagSink& target)
    : m_target(target)
    , m_thread([this] { Pass(); }) {}

ThreadedSink::~ThreadedSink() {
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return m_waiting.empty(); });
        m_stop = true;
    }
    m_changed.notify_all();
    m_thread.join();
}

// Small text is passed on at once, after the blocks before it.
void ThreadedSink::Append(std::string_view utf8) {
    std::unique_lock lock(m_mutex);
    WaitFor(lock, 0);
    if (m_failed) {
        return;
    }
    try {
        m_target.Append(utf8);
    } catch (...) {
        m_failed = true;
        throw;
    }
}

// A block passed on a while ago comes back in its place, or a new one.
void ThreadedSink::AppendBlock(Block& block, std::size_t size, std::size_t capacity) {
    std::unique_lock lock(m_mutex);
    WaitFor(lock, kWaiting - 1);
    if (m_failed) {
        return;
    }
    m_waiting.push_back({std::move(block), size, capacity});
    if (m_written.size() >= kResting && m_written.front().capacity >= capacity) {
        block = std::move(m_written.front().bytes);
        m_written.pop_front();
    }
    lock.unlock();
    m_changed.notify_all();
    if (!block) {
        block = MakeLarge<char>(capacity);
    }
}

void ThreadedSink::Finish() {
    std::unique_lock lock(m_mutex);
    WaitFor(lock, 0);
}

// Waits until no more than `waiting` blocks wait; throws the failure of the
// target, once.
void ThreadedSink::WaitFor(std::unique_lock<std::mutex>& lock, std::size_t waiting) {
    m_changed.wait(lock, [&] { return m_waiting.size() <= waiting; });
    if (m_failure) {
        std::rethrow_exception(std::exchange(m_failure, nullptr));
    }
}

// The thread: the waiting blocks in order, until stopped.
void ThreadedSink::Pass() {
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_changed.wait(lock, [this] { return !m_waiting.empty() || m_stop; });
        if (m_waiting.empty()) {
            return;
        }
        Handed& block = m_waiting.front();
        lock.unlock();
        std::exception_ptr failure;
        try {
            m_target.Append({block.bytes.get(), block.size});
        } catch (...) {
            failure = std::current_exception();
        }
        lock.lock();
        m_written.push_back(std::move(block));
        m_waiting.pop_front();
        if (failure) {
            m_failure = failure;
            m_failed = true;
            m_waiting.clear();
        }
        m_changed.notify_all();
    }
}

} // namespace quorvane::tag
