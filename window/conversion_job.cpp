#include "quorvane/window/conversion_job.h"

#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/tag_sink.h"

#include <algorithm>
#include <new>

namespace quorvane::window {
namespace {

// Thrown through the conversion when the job is cancelled.
struct Cancelled final {};

// The output box indexes its lines with 32-bit offsets: a longer table is
// refused as soon as it passes that, not once the whole file is converted.
constexpr std::uint64_t kLongestTable = std::uint64_t{0xFFFFFFFF} - 1;

// Room for the table text of a file of `bytes`: cells take a few times the
// bytes of their fields, and never more than the longest table. When the
// system will not give it, the text still grows as it is built.
void reserveTable(std::string& text, std::uint64_t bytes) noexcept {
    try {
        text.reserve(static_cast<std::size_t>(
            std::min(std::min(bytes, kLongestTable) * 3 + 64, kLongestTable)));
    } catch (const std::bad_alloc&) {
    }
}

// Appends to the table text, up to the longest the box can show.
class TableTextSink final : public tag::TagSink {
public:
    explicit TableTextSink(std::string& text)
        : m_text(text) {}
    void Append(std::string_view utf8) override {
        if (utf8.size() > kLongestTable - m_text.size()) {
            throw tag::TagError(tag::ErrorCode::OutOfMemory, "table too long to show");
        }
        m_text.append(utf8);
    }

private:
    std::string& m_text;
};

} // namespace

void ConversionJob::Progress::BytesRead(std::uint64_t total) {
    m_job.m_bytesRead.store(total, std::memory_order_relaxed);
    if (m_job.m_cancelled.load()) {
        throw Cancelled{};
    }
}

ConversionJob::ConversionJob(std::filesystem::path path, tag::BuildOptions options)
    : ConversionJob(path, [path, options = std::move(options)](Progress& progress) {
        tag::InputFile file(path);
        progress.Sized(file.Size());
        std::string table;
        reserveTable(table, file.Size());
        TableTextSink sink(table);
        tag::Convert(file, tag::ReadOptions{}, options, sink, &progress);
        return table;
    }) {}

ConversionJob::ConversionJob(std::filesystem::path path, Work work)
    : m_path(std::move(path))
    , m_work(std::move(work)) {}

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
        Progress progress(*this);
        m_table = m_work(progress);
        m_outcome = Outcome::Done;
    } catch (...) {
        m_table = std::string();
        m_outcome = m_cancelled ? Outcome::Cancelled : Outcome::Failed;
    }
    m_ended.store(true);
    if (m_whenEnded) {
        try {
            m_whenEnded();
        } catch (...) {
        }
    }
}

} // namespace quorvane::window
