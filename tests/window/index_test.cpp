// The output box's line index made as the table is written: against the walk
// over the finished text, for texts cut anywhere and for real conversions.
#include "quorvane/window/conversion_job.h"
#include "quorvane/window/line_index.h"
#include "quorvane/window/utf16_offsets.h"
#include "scratch_dir.h"
#include "tmpdir_override.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace quorvane::fuzz {
std::string IndexDisagreement(const std::uint8_t* data, std::size_t size, std::size_t length);
}

namespace {

using namespace quorvane::window;
namespace fs = std::filesystem;

std::string check(const std::string& bytes, std::size_t length = 0) {
    return quorvane::fuzz::IndexDisagreement(reinterpret_cast<const std::uint8_t*>(bytes.data()),
                                             bytes.size(), length);
}

std::string readFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// Line ends of every kind and characters of every width class, a CR LF and a
// character cut anywhere by the appends, runs long enough for the blocks.
TEST(LineIndexBuilder, EqualsTheWalkOverTheFinishedText) {
    const std::string pieces[] = {"\r\n",     "\r",   "\n",
                                  "a",        "<td>", "漢",
                                  "ｱ",        "ﾟ",    "\xEF\xBF\xBD",
                                  "\t",       "😀",    "é",
                                  "\xEF\xBD", "\xE6", std::string(37, 'x')};
    std::mt19937 random(7);
    for (int i = 0; i < 3000; ++i) {
        std::string bytes(1, char(i));
        for (int n = random() % 200; n > 0; --n) {
            bytes += pieces[random() % std::size(pieces)];
        }
        ASSERT_EQ(check(bytes), "") << testing::PrintToString(bytes);
        // Some at lengths that cross blocks, in pieces of every size.
        if (i % 100 == 0) {
            ASSERT_EQ(check(bytes, 300000), "") << testing::PrintToString(bytes);
        }
    }
    for (const auto& entry : fs::directory_iterator(QUORVANE_FUZZ_INPUTS "/corpus/table_index")) {
        EXPECT_EQ(check(readFile(entry.path())), "") << entry.path();
    }
}

// A conversion's table comes indexed, for the bounds it was started with, as
// a walk over its text would index it: every file the converter is fuzzed
// with, and quoted line ends of every kind in the fields, in every encoding
// and with every delimiter.
TEST(ConversionJob, IndexesTheTableAsItIsWritten) {
    quorvane::test::ScratchDir dir;
    std::vector<std::string> files;
    for (const char* folder : {"/corpus/reader_builder", "/regressions/reader_builder"}) {
        for (const auto& entry :
             fs::directory_iterator(QUORVANE_FUZZ_INPUTS + std::string(folder))) {
            files.push_back(readFile(entry.path()));
        }
    }
    std::mt19937 random(11);
    const std::string fields[] = {"a", "\"b\r\nc\"", "\"\r\"", "\"\n\n\"", "漢字", "ｱｲ", ""};
    for (int i = 0; i < 40; ++i) {
        std::string csv;
        for (int n = random() % 20000; n > 0; --n) {
            csv += fields[random() % std::size(fields)] + (random() % 3 ? "," : "\r\n");
        }
        files.push_back(csv);
    }
    const AdvanceBounds bounds{{64, 70, 128, 500}};
    for (std::size_t i = 0; i < files.size(); ++i) {
        const fs::path path = dir.path() / (std::to_string(i) + ".csv");
        std::ofstream(path, std::ios::binary) << files[i];
        const quorvane::tag::ReadOptions dialect{quorvane::tag::Encoding(i % 4),
                                                 ",\t;|"[i / 4 % 4]};
        ConversionJob job(path, dialect,
                          {static_cast<std::int16_t>(1 + i % 5), {"x"}, i % 2 == 0, i % 3 == 0},
                          bounds);
        job.start();
        ASSERT_EQ(job.wait(), ConversionJob::Outcome::Done) << i;
        IndexedText table = job.takeTable();
        LineIndex walked;
        walked.build(table.text.view(), bounds);
        EXPECT_TRUE(table.lines == walked)
            << i << ": " << table.lines.lineCount() << " lines, not " << walked.lineCount();
        // The UTF-16 offsets counted as the text was written.
        const std::string_view text = table.text.view();
        ASSERT_EQ(table.utf16Blocks.size(), text.size() / Utf16Offsets::kBlockBytes + 1) << i;
        Utf16Offsets written;
        Utf16Offsets counted;
        written.reset(text, table.utf16Blocks);
        counted.reset(text);
        for (const std::size_t at : {text.size() / 3, text.size() - 1, text.size()}) {
            EXPECT_EQ(written.toUtf16(at), counted.toUtf16(at)) << i << " at " << at;
        }
    }
}

// Without a temporary folder to hold the table, a conversion fails, as any
// other failure does; it does not end the program.
TEST(ConversionJob, FailsWithoutATemporaryFolder) {
    quorvane::test::ScratchDir dir;
    const fs::path csv = dir.path() / "a.csv";
    std::ofstream(csv) << "a,b\n";
    const quorvane::test::TmpdirOverride missing(dir.path() / "missing");
    ConversionJob job(csv, quorvane::tag::ReadOptions{}, quorvane::tag::BuildOptions{2});
    job.start();
    EXPECT_EQ(job.wait(), ConversionJob::Outcome::Failed);
}

} // namespace
