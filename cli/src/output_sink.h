#pragma once

#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_sink.h"

#include <condition_variable>
#include <cstddef>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvane::cli {

// Writes the table text to an output file on a thread of its own, so that
// the conversion fills its next block while the last one is written: a
// block handed over is written from where it is, and the one written before
// it given back in its place. One block is in writing at a time. A write
// failure is thrown, as it was, from the next call.
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
    void WaitIdle(std::unique_lock<std::mutex>& lock);
    void Write();

    tag::OutputFile& m_file;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    // The block being written, m_size bytes of it, while m_busy.
    std::unique_ptr<char[]> m_block;
    std::size_t m_capacity = 0;
    std::size_t m_size = 0;
    bool m_busy = false;
    bool m_stop = false;
    std::exception_ptr m_failure;
    std::thread m_writer;
};

} // namespace quorvane::cli
