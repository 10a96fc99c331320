#include "quorvane/window/conversion_job.h"

#include "quorvane/tag/files.h"
#include "quorvane/tag/large_buffer.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/tag_sink.h"
#include "quorvane/window/line_index_builder.h"

#include <algorithm>
#include <new>

namespace quorvane::window {
namespace {

// Thrown through the conversion when the job is cancelled.
struct Cancelled final {};

// The output box indexes its lines with 32-bit offsets: a longer table is
// refused as soon as it passes that, not once the whole file is converted.
constexpr std::uint64_t kLongestTable = std::uint64_t{0xFFFFFFFF} - 1;

// Room for at least `bytes` of table text, and twice what there was, never
// more than the longest table, backed by large pages: a text that grows
// through the standard library's steps faults in every page afresh. When the
// system will not give it, the text still grows as it is built.
void makeRoom(std::string& text, std::uint64_t bytes) noexcept {
    try {
        text.reserve(static_cast<std::size_t>(std::min(
            std::max<std::uint64_t>(bytes, std::uint64_t{text.capacity()} * 2), kLongestTable)));
        tag::AdviseLargeBuffer(text.data(), text.capacity());
    } catch (const std::bad_alloc&) {
    }
}

// Appends to the table text, up to the longest the box can show, and indexes
// its lines every so often, while what was written last is in the cache.
class IndexingSink final : public tag::TagSink {
public:
    // A line for every 3 bytes of the file is room enough for most tables.
    IndexingSink(std::string& text, const AdvanceBounds& bounds, std::uint64_t fileBytes)
        : m_text(text)
        , m_index(bounds) {
        m_index.reserve(static_cast<std::size_t>(std::min(fileBytes, kLongestTable) / 3));
    }
    void Append(std::string_view utf8) override {
        if (utf8.size() > kLongestTable - m_text.size()) {
            throw tag::TagError(tag::ErrorCode::OutOfMemory, "table too long to show");
        }
        if (utf8.size() > m_text.capacity() - m_text.size()) {
            makeRoom(m_text, m_text.size() + utf8.size());
        }
        m_text.append(utf8);
        if (m_text.size() - m_index.scanned() >= kIndexEvery) {
            m_index.grow(m_text);
        }
    }
    LineIndex finish() { return m_index.finish(m_text); }

private:
    static constexpr std::size_t kIndexEvery = 64 * 1024;
    std::string& m_text;
    LineIndexBuilder m_index;
};

} // namespace

void ConversionJob::Progress::BytesRead(std::uint64_t total) {
    m_job.m_bytesRead.store(total, std::memory_order_relaxed);
    if (m_job.m_cancelled.load()) {
        throw Cancelled{};
    }
}

ConversionJob::ConversionJob(std::filesystem::path path, tag::ReadOptions read,
                             tag::BuildOptions options, const AdvanceBounds& bounds)
    : ConversionJob(
          path, IndexedWork([path, read, options = std::move(options), bounds](Progress& progress) {
              tag::InputFile file(path);
              progress.Sized(file.Size());
              IndexedText table{{}, {}, bounds};
              // Cells take a few times the bytes of their fields.
              makeRoom(table.text, std::min(file.Size(), kLongestTable) * 4 + 64);
              IndexingSink sink(table.text, bounds, file.Size());
              tag::Convert(file, read, options, sink, &progress);
              table.lines = sink.finish();
              return table;
          })) {}

ConversionJob::ConversionJob(std::filesystem::path path, Work work, const AdvanceBounds& bounds)
    : ConversionJob(std::move(path),
                    IndexedWork([work = std::move(work), bounds](Progress& progress) {
                        IndexedText table{work(progress), {}, bounds};
                        table.lines.build(table.text, bounds);
                        return table;
                    })) {}

ConversionJob::ConversionJob(std::filesystem::path path, IndexedWork work)
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
        m_table = IndexedText();
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
        m_table = IndexedText();
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
