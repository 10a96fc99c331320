#include "failing_source.h"
#include "memory_source.h"
#include "quorvane/tag/convert.h"
#include "quorvane/tag/field_reader.h"
#include "quorvane/tag/files.h"
#include "quorvane/tag/string_sink.h"
#include "quorvane/tag/table_builder.h"
#include "quorvane/tag/tag_error.h"
#include "scratch_dir.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <functional>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

// The reader over real files that change or fail while they are read. Each
// ends with the table of exactly the bytes that were read, or with a read
// failure whose text so far begins the table of the whole file.
namespace quorvane::tag::test {

using quorvane::test::ScratchDir;
namespace {

namespace fs = std::filesystem;

// Builds until the end or a failure; `text` gets what was built either way.
void BuildInto(FieldReader& reader, std::int16_t fieldCount, std::string& text) {
    text = "<table>";
    StringSink sink(text);
    TextBuffer out(sink);
    try {
        Build(reader, {.fieldCount = fieldCount}, out);
    } catch (...) {
        out.Flush();
        throw;
    }
    out.Flush();
}

std::string ConvertBytes(const std::string& bytes, std::int16_t fieldCount) {
    quorvane::test::MemorySource source(bytes);
    FieldReader reader;
    reader.Open(source);
    std::string text;
    BuildInto(reader, fieldCount, text);
    return text;
}

std::string ConvertFile(const fs::path& path, std::int16_t fieldCount) {
    InputFile file(path);
    std::string text;
    StringSink sink(text);
    Convert(file, {.fieldCount = fieldCount}, sink);
    return text;
}

// Reads the file through a real descriptor, at most `piece` bytes at a time,
// keeps a copy of what it handed out, and after the first read does
// `meddle` once to the file.
class MeddledSource final : public ByteSource {
public:
    MeddledSource(const fs::path& path, std::size_t piece, std::function<void()> meddle)
        : m_file(path)
        , m_piece(piece)
        , m_meddle(std::move(meddle)) {}

    std::size_t Read(unsigned char* into, std::size_t size) override {
        const std::size_t n = m_file.Read(into, std::min(size, m_piece));
        m_delivered.append(reinterpret_cast<const char*>(into), n);
        if (m_meddle) {
            std::exchange(m_meddle, nullptr)();
        }
        return n;
    }

    const std::string& Delivered() const { return m_delivered; }

private:
    InputFile m_file;
    std::size_t m_piece;
    std::function<void()> m_meddle;
    std::string m_delivered;
};

class ReaderFaults : public testing::Test {
protected:
    void SetUp() override {
        m_path = m_dir.path() / "data.csv";
        Write(m_path, Lines(2000));
    }

    static std::string Lines(int count, const std::string& prefix = "") {
        std::string bytes;
        for (int i = 0; i < count; ++i) {
            bytes += prefix + std::to_string(i) + ",\"x, y\",z\r\n";
        }
        return bytes;
    }
    static void Write(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary) << bytes;
    }
    static void Append(const fs::path& path, const std::string& bytes) {
        std::ofstream(path, std::ios::binary | std::ios::app) << bytes;
    }

    ScratchDir m_dir;
    fs::path m_path;
};

struct ChangeCase {
    const char* name;
    // What happens to the file after the first read; the bytes the whole
    // read is expected to deliver.
    std::function<void(const fs::path&)> change;
    std::function<std::size_t(std::size_t original, std::size_t firstPiece)> deliveredSize;
};

constexpr std::size_t kPiece = 4096;

TEST_F(ReaderFaults, FileChangedWhileReadGivesTheTableOfWhatWasRead) {
    const std::string original = Lines(2000);
    const std::string more = Lines(500, "new");
    const ChangeCase cases[] = {
        {"deleted", [](const fs::path& p) { fs::remove(p); },
         [](std::size_t all, std::size_t) { return all; }},
        {"truncated to nothing", [](const fs::path& p) { fs::resize_file(p, 0); },
         [](std::size_t, std::size_t first) { return first; }},
        {"truncated in the middle", [](const fs::path& p) { fs::resize_file(p, 20000); },
         [](std::size_t, std::size_t) { return std::size_t{20000}; }},
        {"growing", [&](const fs::path& p) { Append(p, more); },
         [&](std::size_t all, std::size_t) { return all + more.size(); }},
        {"replaced by another file",
         [&](const fs::path& p) {
             fs::remove(p);
             Write(p, "other");
         },
         [](std::size_t all, std::size_t) { return all; }},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        Write(m_path, original);
        MeddledSource seen(m_path, kPiece, [&] { c.change(m_path); });
        FieldReader reader;
        reader.Open(seen);
        std::string text;
        BuildInto(reader, 3, text);
        EXPECT_EQ(seen.Delivered().size(), c.deliveredSize(original.size(), kPiece));
        EXPECT_TRUE(text == ConvertBytes(seen.Delivered(), 3));
        EXPECT_TRUE((original + more).starts_with(seen.Delivered()));
    }
}

using fuzz::FailingSource;

TEST_F(ReaderFaults, ReadFailureAtAnyPointKeepsItsCodeAndABeginningOfTheTable) {
    // Quotes, spaces, CR LF and code page 932 characters, so the failure also
    // strikes inside a quoted field, held spaces and a two-byte character.
    const std::string bytes = "a , \"b\r\n\"\"c\",\x93\xfa\x96\x7b  ,d\r\n\"unclosed \x82\xa0";
    const std::string whole = ConvertBytes(bytes, 2);
    for (const std::size_t piece : {std::size_t{1}, std::size_t{3}, SIZE_MAX}) {
        for (std::size_t at = 0; at <= bytes.size(); ++at) {
            SCOPED_TRACE("piece " + std::to_string(piece) + ", failure at " + std::to_string(at));
            FailingSource source(bytes.substr(0, at), piece);
            FieldReader reader;
            std::string text = "<table>";
            try {
                // Open already reads the first bytes.
                reader.Open(source);
                BuildInto(reader, 2, text);
                ADD_FAILURE() << "read failure swallowed";
            } catch (const TagError& error) {
                EXPECT_EQ(error.code(), ErrorCode::ReadFailed);
            }
            EXPECT_TRUE(whole.starts_with(text));
        }
    }
}

TEST_F(ReaderFaults, KernelReadErrorAtOnceIsAReadFailure) {
    // Offset 0 of the process's memory is never mapped.
    try {
        ConvertFile("/proc/self/mem", 1);
        FAIL() << "read failure swallowed";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::ReadFailed);
    }
}

TEST_F(ReaderFaults, FileOfSizeZeroWithContentIsReadWhole) {
    struct stat info {};
    ASSERT_EQ(stat("/proc/self/status", &info), 0);
    ASSERT_EQ(info.st_size, 0);
    const std::string text = ConvertFile("/proc/self/status", 1);
    // One line per field: "Name:\t<program>" is the first, and the file has
    // dozens of lines.
    EXPECT_TRUE(text.starts_with("<table>\r\n<tr>\r\n<td>Name:\t")) << text.size();
    EXPECT_GT(std::count(text.begin(), text.end(), '\n'), 60);
    EXPECT_TRUE(text.ends_with("</td>\r\n</tr>\r\n</table>"));
}

TEST_F(ReaderFaults, PathWithInvalidUtf8BytesOpens) {
    const fs::path path = m_dir.path() / std::string("\xff\xfe\x82\xa0 name.csv");
    Write(path, "a,b\r\n");
    EXPECT_EQ(ConvertFile(path, 2),
              "<table>\r\n<tr>\r\n<td>a</td>\r\n<td>b</td>\r\n</tr>\r\n</table>");
    try {
        ConvertFile(m_dir.path() / std::string("\xff missing.csv"), 1);
        FAIL() << "missing file opened";
    } catch (const TagError& error) {
        EXPECT_EQ(error.code(), ErrorCode::OpenFailed);
    }
}

} // namespace
} // namespace quorvane::tag::test
