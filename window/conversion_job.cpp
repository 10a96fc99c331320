#include "quorvane/window/conversion_job.h"

#include "quorvane/tag/files.h"
#include "quorvane/tag/string_sink.h"

#include <algorithm>
#include <new>

namespace quorvane::window {
namespace {

// Thrown through the conversion when the job is cancelled.
struct Cancelled final {};

// Room for the table text of a file of `bytes`: cells take a few times the
// bytes of their fields. Room never written costs no memory here; when the
// system will not give it, the text still grows as it is built.
void reserveTable(std::string& text, std::uint64_t bytes) noexcept {
    constexpr std::uint64_t kMost = std::uint64_t{1} << 32;
    try {
        text.reserve(static_cast<std::size_t>(std::min(bytes, kMost) * 3 + 64));
    } catch (const std::bad_alloc&) {
    }
}

} // namespace

// Counts the bytes read and ends the conversion once the job is cancelled.
class ConversionJob::Progress final : public tag::ReadProgress {
public:
    explicit Progress(ConversionJob& job)
        : m_job(job) {}

    void BytesRead(std::uint64_t total) override {
        m_job.m_bytesRead.store(total, std::memory_order_relaxed);
        if (m_job.m_cancelled.load()) {
            throw Cancelled{};
        }
    }

private:
    ConversionJob& m_job;
};

ConversionJob::ConversionJob(std::filesystem::path path, tag::TableOptions options)
    : m_path(std::move(path))
    , m_options(std::move(options)) {}

ConversionJob::~ConversionJob() {
    cancel();
    if (m_worker.joinable()) {
        m_worker.join();
    }
}

void ConversionJob::start(std::function<void()> ended) {
    if (m_worker.joinable() || m_ended) {
        return;
    }
    m_whenEnded = std::move(ended);
    m_worker = std::thread(&ConversionJob::run, this);
}

ConversionJob::Outcome ConversionJob::wait() {
    if (m_worker.joinable()) {
        m_worker.join();
    }
    if (m_cancelled) {
        m_table = std::string();
        return Outcome::Cancelled;
    }
    return m_outcome;
}

void ConversionJob::run() noexcept {
    try {
        tag::InputFile file(m_path);
        m_fileSize.store(file.Size(), std::memory_order_relaxed);
        reserveTable(m_table, file.Size());
        tag::StringSink sink(m_table);
        Progress progress(*this);
        tag::Convert(file, m_options, sink, &progress);
        m_outcome = Outcome::Done;
    } catch (...) {
        m_table = std::string();
        m_outcome = m_cancelled ? Outcome::Cancelled : Outcome::Failed;
    }
    m_ended.store(true);
    if (m_whenEnded) {
        m_whenEnded();
    }
}

} // namespace quorvane::window
