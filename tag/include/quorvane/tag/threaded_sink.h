#pragma once

#include "quorvane/tag/tag_sink.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvane::tag {

// Hands the table text to another sink on a thread of its own, so that the
// conversion fills its next blocks while that sink takes the last ones: a
// block handed over is passed on from where it is, and one passed on a
// while before given back in its place. A few blocks may wait, so that a
// sink that takes a while does not hold up the conversion. A failure of
// that sink is thrown, as it was, from the next call; what waits then, and
// all that comes after, is dropped.
class ThreadedSink final : public TagSink {
public:
    explicit ThreadedSink(TagSink& target);
    // Passes on what was handed over (a failure then goes unreported) and
    // stops the thread.
    ~ThreadedSink() override;

    ThreadedSink(const ThreadedSink&) = delete;
    ThreadedSink& operator=(const ThreadedSink&) = delete;

    void Append(std::string_view utf8) override;
    void AppendBlock(Block& block, std::size_t size, std::size_t capacity) override;
    // Returns once everything handed over is passed on.
    void Finish();

private:
    struct Handed final {
        Block bytes;
        std::size_t size;
        std::size_t capacity;
    };

    void WaitFor(std::unique_lock<std::mutex>& lock, std::size_t waiting);
    void Pass();

    TagSink& m_target;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Handed over and not yet passed on; the first is being passed on.
    std::deque<Handed> m_waiting;
    // Passed on, to be given back, oldest first.
    std::deque<Handed> m_written;
    bool m_stop = false;
    // Set once the target failed: nothing more is passed on, so that no
    // text follows a gap.
    bool m_failed = false;
    std::exception_ptr m_failure;
    std::thread m_thread;
};

} // namespace quorvane::tag
