#pragma once

#include "quorvane/tag/convert.h"
#include "quorvane/window/indexed_text.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>

namespace quorvane::window {

// One conversion of a CSV file into table text, run on a worker thread of
// its own. Nothing of a window is touched from the worker: it only counts
// the bytes read and, when it ends, calls the function given to start (on
// the worker thread; a face uses it to wake its own thread). A job can be
// cancelled at any point until its outcome is taken; then its outcome is
// Cancelled, whatever the worker had done by then.
class ConversionJob final {
public:
    enum class Outcome { Running, Done, Failed, Cancelled };

    // Told the file's size, then how far the work has read; throws once the
    // job is cancelled.
    class Progress final : public tag::ReadProgress {
    public:
        explicit Progress(ConversionJob& job)
            : m_job(job) {}
        void Sized(std::uint64_t bytes) {
            m_job.m_fileSize.store(bytes, std::memory_order_relaxed);
        }
        void BytesRead(std::uint64_t total) override;

    private:
        ConversionJob& m_job;
    };
    // What the worker runs: the table, or an exception for a failure.
    using Work = std::function<std::string(Progress& progress)>;
    // What the worker runs to the indexed table.
    using IndexedWork = std::function<IndexedText(Progress& progress)>;

    // Converts the CSV file at `path`, read as the window reads it, and
    // indexes the table's lines for `bounds` as the text is written.
    ConversionJob(std::filesystem::path path, tag::ReadOptions read, tag::BuildOptions options,
                  const AdvanceBounds& bounds = {});
    // Runs `work` for the file at `path`; its table is indexed afterwards.
    ConversionJob(std::filesystem::path path, Work work, const AdvanceBounds& bounds = {});
    // Cancels a job still running and waits for its worker.
    ~ConversionJob();
    ConversionJob(const ConversionJob&) = delete;
    ConversionJob& operator=(const ConversionJob&) = delete;

    const std::filesystem::path& path() const { return m_path; }
    // How far the worker has read of the file's size; the size is 0 until
    // the file is open, and when it reports none.
    std::uint64_t bytesRead() const { return m_bytesRead.load(std::memory_order_relaxed); }
    std::uint64_t fileSize() const { return m_fileSize.load(std::memory_order_relaxed); }

    // Starts the worker once; `ended` runs on the worker as its last act.
    void start(std::function<void()> ended = {});
    void cancel() { m_cancelled.store(true); }
    bool ended() const { return m_ended.load(); }
    // Waits for the worker, then gives the outcome; Done hands over the
    // table, which TakeTable then returns once.
    Outcome wait();
    IndexedText takeTable() { return std::move(m_table); }

private:
    void run() noexcept;

    ConversionJob(std::filesystem::path path, IndexedWork work);

    std::filesystem::path m_path;
    IndexedWork m_work;
    IndexedText m_table;
    Outcome m_outcome = Outcome::Running;
    std::function<void()> m_whenEnded;
    std::atomic<std::uint64_t> m_bytesRead{0};
    std::atomic<std::uint64_t> m_fileSize{0};
    std::atomic<bool> m_cancelled{false};
    std::atomic<bool> m_ended{false};
    std::thread m_worker;
};

} // namespace quorvane::window
