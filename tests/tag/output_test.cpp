#include "folder_files.h"
#include "quorvane/tag/save_table.h"
#include "quorvane/tag/spool_file.h"
#include "quorvane/tag/table_output.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/threaded_sink.h"
#include "scratch_dir.h"
#include "table_property.h"
#include "text_buffer.h"
#include "tmpdir_override.h"
#include "utf8_encode.h"

#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <sys/resource.h>
#include <sys/stat.h>

// The output side: code page 932 with references, the HTML document, the
// safe save. Code page 932 output is read back with glibc's decoder, not the
// core's.
namespace quorvane::tag {
namespace {

namespace fs = std::filesystem;
constexpr OutputOptions kCp932{OutputEncoding::Cp932, false};

// What TableOutput writes of `pieces`, given one after the other.
std::string Written(const OutputOptions& options, const std::vector<std::string>& pieces,
                    std::string_view title = "t.csv") {
    std::string bytes;
    StringSink sink(bytes);
    TableOutput out(options, title, sink);
    for (const std::string& piece : pieces) {
        out.Append(piece);
    }
    out.Finish();
    return bytes;
}

// `text` cut into pieces of random sizes, empty ones included.
std::vector<std::string> Cut(const std::string& text, std::mt19937& random) {
    std::vector<std::string> pieces;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t size = random() % 8 == 0 ? 0 : 1 + random() % 9;
        pieces.push_back(text.substr(at, size));
        at += size;
    }
    return pieces;
}

std::string Utf8(char32_t c) {
    char bytes[4];
    return std::string(bytes, EncodeUtf8(c, bytes));
}

// Code page 932 bytes as a browser shows them: decoded, and every
// hexadecimal character reference replaced by its character.
std::string Read(const std::string& cp932) {
    static const std::regex reference("&#x([0-9A-F]{1,6});");
    const std::string text = test::DecodeCp932(cp932);
    std::string out;
    auto from = text.cbegin();
    for (std::sregex_iterator it(text.begin(), text.end(), reference), end; it != end; ++it) {
        out.append(from, (*it)[0].first).append(Utf8(std::stoul((*it)[1], nullptr, 16)));
        from = (*it)[0].second;
    }
    return out.append(from, text.cend());
}

struct Encoded {
    std::string utf8;
    std::string cp932;
};

// clang-format off
const Encoded kEncoded[] = {
    {"<td>a</td>\r\n", "<td>a</td>\r\n"},
    {"日本①ｱ∵￢", "\x93\xfa\x96\x7b\x87\x40\xb1\x81\xe6\x81\xca"},
    // Supplementary characters, U+FFFD and characters the code page lacks.
    {"😀\U00020B9F\uFFFD¥é", "&#x1F600;&#x20B9F;&#xFFFD;&#xA5;&#xE9;"},
    // A private-use character that the system's converter maps to № only as
    // a best fit; the user-defined area maps both ways.
    {"\uF86F\uE000", "&#xF86F;\xf0\x40"},
    // Ill-formed: a stray byte, a cut character, an encoded surrogate, an
    // overlong form; a character cut off at the end.
    {"\xff|\xe6\x97|\xed\xa0\x80|\xc0\xaf|\xe6", "&#xFFFD;|&#xFFFD;|&#xFFFD;&#xFFFD;&#xFFFD;|"
     "&#xFFFD;&#xFFFD;|&#xFFFD;"},
    {"", ""},
};
// clang-format on

TEST(Cp932Output, WritesEveryRowHoweverItIsCut) {
    for (const Encoded& row : kEncoded) {
        SCOPED_TRACE(testing::PrintToString(row.utf8));
        EXPECT_EQ(Written(kCp932, {row.utf8}), row.cp932);
        for (std::size_t at = 0; at <= row.utf8.size(); ++at) {
            EXPECT_EQ(Written(kCp932, {row.utf8.substr(0, at), row.utf8.substr(at)}), row.cp932)
                << "cut at " << at;
        }
        std::mt19937 random(static_cast<unsigned>(row.utf8.size()));
        EXPECT_EQ(Written(kCp932, Cut(row.utf8, random)), row.cp932);
    }
}

// Every character of the code page, as glibc decodes its codes, is written
// as bytes that decode to it, not as a reference.
TEST(Cp932Output, WritesTheCodePagesCharactersAsBytes) {
    std::vector<std::string> codes;
    for (int b = 0; b < 0x100; ++b) {
        codes.push_back(std::string(1, char(b)));
    }
    for (int lead = 0x81; lead <= 0xFC; lead += lead == 0x9F ? 0x41 : 1) {
        for (int trail = 0x40; trail <= 0xFC; trail += trail == 0x7E ? 2 : 1) {
            codes.push_back({char(lead), char(trail)});
        }
    }
    std::size_t characters = 0;
    for (const std::string& code : codes) {
        const std::string c = test::DecodeCp932(code);
        if (c != "\uFFFD") {
            const std::string written = Written(kCp932, {c});
            EXPECT_EQ(written.find("&#x"), std::string::npos) << testing::PrintToString(code);
            EXPECT_EQ(test::DecodeCp932(written), c) << testing::PrintToString(code);
            ++characters;
        }
    }
    EXPECT_GT(characters, 9000u);
}

// Every character, in or outside the code page, comes back from a browser's
// reading of the bytes: all of the first plane and a sample of the others,
// in random order and random pieces, with the one ampersand that could make
// a reference of the text left out.
TEST(Cp932Output, EveryCharacterComesBack) {
    std::vector<char32_t> characters;
    for (char32_t c = 0; c < 0x10000; ++c) {
        if ((c < 0xD800 || c > 0xDFFF) && c != '&') {
            characters.push_back(c);
        }
    }
    std::mt19937 random(20261208);
    for (int i = 0; i < 20000; ++i) {
        characters.push_back(0x10000 + random() % 0x100000);
    }
    std::shuffle(characters.begin(), characters.end(), random);
    std::string text;
    for (const char32_t c : characters) {
        text += Utf8(c);
    }
    const std::string read = Read(Written(kCp932, Cut(text, random)));
    const auto [differs, at] = std::ranges::mismatch(read, text);
    EXPECT_EQ(read.size(), text.size());
    EXPECT_EQ(differs, read.end())
        << "from " << testing::PrintToString(text.substr(at - text.begin(), 12));
}

std::string Body(const std::string& document) {
    const std::size_t begin = document.find("<body>\r\n"), end = document.rfind("\r\n</body>");
    return begin < end && end != std::string::npos ? document.substr(begin + 8, end - begin - 8)
                                                   : "(no body)";
}

struct Document {
    std::string title;
    std::vector<std::string> pieces;
    std::string titleText;
};

// clang-format off
const Document kDocuments[] = {
    {"list.csv", {"<table>\r\n<tr>\r\n<td>a</td>\r\n</tr>\r\n</table>"}, "list.csv"},
    {"表 😀.csv", {"<table>", "\r\n<tr>\r\n<td>表", "\xe3\x81", "\x82😀</td>\r\n</tr>", "\r\n</table>"},
     "表 😀.csv"},
    // The name is text: markup escaped; what would be a parse error replaced.
    {"a<b>&\"c'.csv", {}, "a&lt;b&gt;&amp;&quot;c&#39;.csv"},
    {"x\ty\r\n\x01\x7f\xc2\x9f\xef\xb7\x90\xef\xbf\xbe\xff.csv", {""},
     "x y  \uFFFD\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD.csv"},
};
// clang-format on

TEST(Document, HoldsTheTableUnderItsTitle) {
    for (const Document& row : kDocuments) {
        SCOPED_TRACE(row.title);
        std::string table;
        for (const std::string& piece : row.pieces) {
            table += piece;
        }
        const std::string utf8 = Written({OutputEncoding::Utf8, true}, row.pieces, row.title);
        EXPECT_TRUE(utf8.starts_with("<!DOCTYPE html>\r\n<html lang=\"ja\">\r\n<head>\r\n"
                                     "<meta charset=\"utf-8\">\r\n<title>" +
                                     row.titleText + "</title>\r\n"));
        EXPECT_TRUE(utf8.ends_with("\r\n</body>\r\n</html>\r\n"));
        EXPECT_EQ(Body(utf8), table);
        // In code page 932 only the declared character set differs.
        std::string expected = utf8;
        expected.replace(expected.find("utf-8"), 5, "Shift_JIS");
        const std::string cp932 = Written({OutputEncoding::Cp932, true}, row.pieces, row.title);
        EXPECT_EQ(Read(cp932), expected);
    }
}

// A document is begun by its table's first piece: a conversion that fails
// before it writes nothing.
TEST(Document, WritesNothingBeforeTheTable) {
    std::string bytes;
    StringSink sink(bytes);
    { TableOutput out({OutputEncoding::Cp932, true}, "t.csv", sink); }
    EXPECT_EQ(bytes, "");
}

// The save: what the folder holds afterwards (see folder_files.h).
using test::Files;

struct Save {
    std::string target;
    Files before;
    OutputOptions options;
    // The failure's text; empty: the target holds what TableOutput writes.
    std::string error = "";
    // Bytes a file may grow to; the disk is full beyond.
    rlim_t limit = RLIM_INFINITY;
    bool readOnly = false;
};

const std::string kTable = "<table>\r\n<tr>\r\n<td>日本 😀</td>\r\n</tr>\r\n</table>";
const Files kOld = {{"out.html", "old"}};

// clang-format off
const Save kSaves[] = {
    {"out.html", {}, {}},
    {"out.html", kOld, kCp932},
    {"out.html", kOld, {OutputEncoding::Utf8, true}},
    {"out.html", {{"out.html", "<dir>"}}, {}, "is a directory"},
    {"out.html", {{"out.html", "<fifo>"}}, {}, "not a regular file"},
    {"file/out.html", {{"file", "old"}}, {}, "Not a directory"},
    {"missing/out.html", kOld, {}, "No such file or directory"},
    {"out.html", kOld, kCp932, "File too large", 16},
    {"out.html", kOld, {}, "Permission denied", RLIM_INFINITY, true},
    {"out.html", {{"out.html", "->out.html"}}, {}, "Too many levels of symbolic links"},
};
// clang-format on

void PrintTo(const Save& save, std::ostream* out) {
    *out << save.target << (save.error.empty() ? " saved" : " refused: " + save.error);
}

class SaveTableTo : public testing::TestWithParam<Save> {};

TEST_P(SaveTableTo, WritesTheTargetWholeOrNotAtAll) {
    const Save& row = GetParam();
    test::ScratchDir scratch;
    const fs::path dir = scratch.path() / "folder";
    fs::create_directory(dir);
    test::Make(dir, row.before);
    // Root gives the old file to another owner, whom the new one must keep.
    std::error_code loop;
    const bool owned = geteuid() == 0 && fs::is_regular_file(dir / row.target, loop);
    if (owned) {
        ASSERT_EQ(chown((dir / row.target).c_str(), 65534, 65534), 0);
    }
    if (row.readOnly) {
        if (geteuid() == 0) {
            GTEST_SKIP() << "root writes to a read-only folder";
        }
        fs::permissions(dir, fs::perms::owner_read | fs::perms::owner_exec);
    }
    std::string error;
    {
        rlimit old{};
        getrlimit(RLIMIT_FSIZE, &old);
        const rlimit limit{row.limit, old.rlim_max};
        std::signal(SIGXFSZ, SIG_IGN);
        setrlimit(RLIMIT_FSIZE, &limit);
        try {
            SaveTable(dir / row.target, kTable, row.options, "t.csv");
        } catch (const TagError& e) {
            error = e.code() == ErrorCode::WriteFailed ? e.what() : "wrong code";
        }
        setrlimit(RLIMIT_FSIZE, &old);
    }
    fs::permissions(dir, fs::perms::owner_all);
    EXPECT_EQ(error, row.error);
    Files after = row.before;
    if (row.error.empty()) {
        after[row.target] = Written(row.options, {kTable});
    }
    EXPECT_EQ(test::Snapshot(dir), after);
    struct stat info {};
    if (owned && stat((dir / row.target).c_str(), &info) == 0) {
        EXPECT_EQ(std::pair(info.st_uid, info.st_gid), std::pair(65534U, 65534U));
    }
}

INSTANTIATE_TEST_SUITE_P(Rows, SaveTableTo, testing::ValuesIn(kSaves));

// Text spooled to a temporary file comes back whole through the mapping,
// stays where it is through moves, and leaves nothing in the folder.
TEST(SpoolFile, GivesBackWhatWasWrittenAndLeavesNothing) {
    test::ScratchDir dir;
    std::mt19937 random(5);
    for (const std::size_t size : {std::size_t{0}, std::size_t{1}, std::size_t{300000}}) {
        std::string text(size, '\0');
        for (char& c : text) {
            c = static_cast<char>(random());
        }
        const test::TmpdirOverride tmpdir(dir.path());
        const auto descriptors = [] {
            return std::distance(fs::directory_iterator("/proc/self/fd"), {});
        };
        const auto open = descriptors();
        SpoolFile replaced;
        replaced = SpoolFile(); // the file it held is closed
        EXPECT_EQ(descriptors(), open + 1);
        SpoolFile file;
        std::mt19937 cuts(size);
        for (const std::string& piece : Cut(text, cuts)) {
            file.Write(piece);
        }
        const std::string_view mapped = file.Map();
        SpoolFile moved = std::move(file);
        EXPECT_EQ(moved.View(), text);
        EXPECT_EQ(moved.View().data(), mapped.data());
        if (size > 0) {
            EXPECT_THROW(moved.Write("more"), TagError);
        }
        EXPECT_TRUE(fs::is_empty(dir.path()));
    }
    const test::TmpdirOverride missing(dir.path() / "missing");
    EXPECT_THROW(SpoolFile(), TagError);
}

// Written through the buffer in pieces of every size, from none to past its
// stage and its block, with flushes between, the text arrives whole and in
// order.
TEST(TextBuffer, PassesOnEveryPieceInOrder) {
    std::mt19937 random(9);
    for (const std::size_t capacity : {std::size_t{100}, std::size_t{16} << 10}) {
        std::string got;
        std::string expected;
        StringSink sink(got);
        TextBuffer buffer(sink, capacity);
        for (int k = 0; k < 3000; ++k) {
            const std::size_t size = random() % 4 == 0 ? random() % 40000 : random() % 40;
            const std::string piece(size, static_cast<char>('a' + k % 26));
            if (random() % 2 == 0) {
                buffer.Append(piece);
            } else {
                char* room = buffer.Room(size + 8);
                ASSERT_GE(buffer.Free(), size + 8);
                std::memcpy(room, piece.data(), size);
                buffer.Advance(size);
            }
            expected += piece;
            if (random() % 50 == 0) {
                buffer.Flush();
                ASSERT_EQ(got, expected);
            }
        }
        buffer.Flush();
        EXPECT_EQ(got, expected);
    }
}

// Takes the text, and fails with WriteFailed at the piece `failAt`.
struct FailingSink final : TagSink {
    void Append(std::string_view utf8) override {
        if (pieces++ == failAt) {
            throw TagError(ErrorCode::WriteFailed, "full");
        }
        text += utf8;
    }
    std::size_t failAt;
    std::size_t pieces = 0;
    std::string text;
};

// Blocks reach the target in order and whole, though the ones given back are
// filled again at once, from a few buffers however many blocks pass; small
// text goes after the blocks before it. A failure of the target is thrown
// once, from a later call, and the text after it is dropped.
TEST(ThreadedSink, PassesBlocksInOrderFromAFewBuffers) {
    constexpr std::size_t kCapacity = 4096;
    std::string expected;
    std::string got;
    StringSink target(got);
    std::set<const char*> buffers;
    {
        ThreadedSink sink(target);
        auto block = MakeLarge<char>(kCapacity);
        for (int k = 0; k < 2000; ++k) {
            const std::string piece = std::to_string(k) + std::string(k % 4000, 'a' + k % 26);
            buffers.insert(block.get());
            std::memcpy(block.get(), piece.data(), piece.size());
            sink.AppendBlock(block, piece.size(), kCapacity);
            ASSERT_TRUE(block);
            expected += piece;
            if (k % 500 == 0) {
                sink.Append("|");
                expected += "|";
            }
        }
        sink.Finish();
        EXPECT_EQ(got, expected);
    }
    EXPECT_LT(buffers.size(), 16u);

    FailingSink failing;
    failing.failAt = 3;
    ThreadedSink sink(failing);
    auto block = MakeLarge<char>(kCapacity);
    bool thrown = false;
    for (int k = 0; k < 20; ++k) {
        block[0] = static_cast<char>('a' + k);
        try {
            sink.AppendBlock(block, 1, kCapacity);
        } catch (const TagError& error) {
            EXPECT_EQ(error.code(), ErrorCode::WriteFailed);
            EXPECT_FALSE(thrown);
            thrown = true;
        }
    }
    try {
        sink.Finish();
    } catch (const TagError&) {
        EXPECT_FALSE(thrown);
        thrown = true;
    }
    EXPECT_TRUE(thrown);
    EXPECT_EQ(failing.text, "abc");
}

} // namespace
} // namespace quorvane::tag
