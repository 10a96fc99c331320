#include "quorvane/window/conversion_job.h"

#include "quorvane/tag/files.h"
#include "quorvane/tag/spool_file.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/tag_sink.h"
#include "quorvane/tag/threaded_sink.h"
#include "quorvane/window/line_index_builder.h"

#include <memory>

namespace quorvane::window {
namespace {

// Thrown through the conversion when the job is cancelled.
struct Cancelled final {};

// The output box indexes its lines with 32-bit offsets: a longer table is
// refused as soon as it passes that, not once the whole file is converted.
constexpr std::uint64_t kLongestTable = std::uint64_t{0xFFFFFFFF} - 1;

// Writes the table text to a spool file as it comes, and passes each block
// on while it is in the cache. The text is never held in the program's own
// memory.
class SpoolingSink final : public tag::TagSink {
public:
    explicit SpoolingSink(tag::TagSink& next)
        : m_next(next) {}
    void Append(std::string_view utf8) override {
        write(utf8);
        m_next.Append(utf8);
    }
    void AppendBlock(tag::Block& block, std::size_t size, std::size_t capacity) override {
        write({block.get(), size});
        m_next.AppendBlock(block, size, capacity);
    }
    tag::SpoolFile& file() { return m_file; }

private:
    void write(std::string_view utf8) {
        if (utf8.size() > kLongestTable - m_size) {
            throw tag::TagError(tag::ErrorCode::OutOfMemory, "table too long to show");
        }
        m_file.Write(utf8);
        m_size += utf8.size();
    }

    tag::TagSink& m_next;
    tag::SpoolFile m_file;
    std::uint64_t m_size = 0;
};

// Indexes the table text as it comes.
class IndexingSink final : public tag::TagSink {
public:
    explicit IndexingSink(const AdvanceBounds& bounds)
        : m_index(bounds) {}
    void Append(std::string_view utf8) override { m_index.append(utf8); }
    IndexedText finish(tag::SpoolFile& file, const AdvanceBounds& bounds) {
        TableText text(std::move(file));
        LineIndex lines = m_index.finish(text.view());
        return {std::move(text), std::move(lines), bounds, m_index.takeUtf16Blocks()};
    }

private:
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
              // A regular file: its reads never wait, so it is read ahead;
              // the text is indexed on a thread of its own.
              tag::ReadOptions ahead = read;
              ahead.readAhead = true;
              IndexingSink indexing(bounds);
              tag::ThreadedSink threaded(indexing);
              SpoolingSink spooling(threaded);
              tag::Convert(file, ahead, options, spooling, &progress);
              threaded.Finish();
              return indexing.finish(spooling.file(), bounds);
          })) {}

ConversionJob::ConversionJob(std::filesystem::path path, Work work, const AdvanceBounds& bounds)
    : ConversionJob(std::move(path),
                    IndexedWork([work = std::move(work), bounds](Progress& progress) {
                        IndexedText table{TableText(work(progress)), {}, bounds};
                        table.lines.build(table.text.view(), bounds);
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
