#pragma once

#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_sink.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace quorvane::cli {

// Writes the table text to an output file on a thread of its own, so that
// the conversion fills its next blocks while the last ones are written: a
// block handed over is written from where it is, and one written before
// given back in its place. A few blocks may wait, so that a write that
// takes a while does not hold up the conversion. A write failure is thrown,
// as it was, from the next call, and what waits is then dropped.
class OutputSink final : public tag::TagSink {
public:
    explicit OutputSink(tag::OutputFile& file);
    // Writes what was handed over (a failure then goes unreported) and
    // stops the thread.
    ~OutputSink() override;

    OutputSink(const OutputSink&) = delete;
    OutputSink& operator=(const OutputSink&) = delete;

    void Append(std::string_view utf8) override;
    void AppendBlock(std::unique_ptr<char[]>& block, std::size_t size,
                     std::size_t capacity) override;
    // Returns once everything handed over is written.
    void Finish();

private:
    struct Block {
        std::unique_ptr<char[]> bytes;
        std::size_t size;
        std::size_t capacity;
    };

    void WaitFor(std::unique_lock<std::mutex>& lock, std::size_t waiting);
    void Write();

    tag::OutputFile& m_file;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // Handed over and not yet written; the first is being written.
    std::deque<Block> m_waiting;
    // Written, to be given back.
    std::vector<Block> m_written;
    bool m_stop = false;
    std::exception_ptr m_failure;
    std::thread m_writer;
};

} // namespace quorvane::cli
