#include "quorvane/tag/convert.h"

#include "convert_source.h"
#include "field_reader.h"
#include "quorvane/tag/tag_error.h"
#include "table_builder.h"
#include "text_buffer.h"
#include "text_decoder.h"

#include <new>

namespace quorvane::tag {
namespace {

// Table text handed to the sink at a time; less for a small source.
constexpr std::size_t kTable = 256 << 10;
constexpr std::size_t kSmallTable = 16 << 10;

// The reader's bytes from the open input file, counted for the progress.
class InputSource final : public ByteSource {
public:
    InputSource(InputFile& file, ReadProgress* progress)
        : m_file(file)
        , m_progress(progress) {}

    std::size_t Read(unsigned char* into, std::size_t size) override {
        const std::size_t read = m_file.Read(into, size);
        m_total += read;
        if (m_progress != nullptr) {
            m_progress->BytesRead(m_total);
        }
        return read;
    }

    std::uint64_t SizeHint() const override { return m_file.Size(); }

private:
    InputFile& m_file;
    ReadProgress* m_progress;
    std::uint64_t m_total = 0;
};

// Passes on what was built before a failure; a second failure of the sink
// must not replace the first.
void FlushQuietly(TextBuffer& text) noexcept {
    try {
        text.Flush();
    } catch (...) {
    }
}

void OpenTable(const std::string& attribute, TextBuffer& text) {
    if (attribute.empty()) {
        text.Append("<table>");
        return;
    }
    text.Append("<table ");
    text.Append(TextDecoder::ValidUtf8(attribute));
    text.Append(">");
}

} // namespace

void ConvertSource(ByteSource& source, const ReadOptions& read, const BuildOptions& build,
                   TagSink& out) {
    try {
        FieldReader reader(read);
        reader.Open(source);
        TextBuffer text(out, source.Small() ? kSmallTable : kTable);
        try {
            OpenTable(build.tableAttribute, text);
            Build(reader, build, text);
        } catch (...) {
            FlushQuietly(text);
            throw;
        }
        text.Flush();
    } catch (const std::bad_alloc&) {
        throw TagError(ErrorCode::OutOfMemory, "out of memory");
    }
}

void Convert(InputFile& input, const ReadOptions& read, const BuildOptions& build, TagSink& out,
             ReadProgress* progress) {
    InputSource source(input, progress);
    ConvertSource(source, read, build, out);
}

} // namespace quorvane::tag
