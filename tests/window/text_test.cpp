#include "quorvane/window/char_class.h"
#include "quorvane/window/text_cursor.h"
#include "quorvane/window/text_document.h"
#include "quorvane/window/text_measure.h"
#include "quorvane/window/utf8.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <random>
#include <sstream>

using namespace quorvane::window;

// Allocations above this size are refused, to fail a build part way.
static std::size_t g_refuseAbove = SIZE_MAX;

void* operator new(std::size_t size) {
    void* p = size > g_refuseAbove ? nullptr : std::malloc(size == 0 ? 1 : size);
    return p != nullptr ? p : throw std::bad_alloc();
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

// An output box over a face where a caret's x is its byte column and a page
// is 3 lines.
struct Box final : TextMeasure {
    TextDocument document;
    TextCursor cursor{document};

    explicit Box(std::string_view text) { document.setText(std::string(text), {}); }
    double caretX(std::size_t line, std::size_t pos) const override {
        return double(pos - document.lines().lineStart(line));
    }
    std::size_t caretAt(std::size_t line, double x) const override {
        return std::min(document.lines().lineStart(line) + std::size_t(x),
                        document.lines().lineEnd(line));
    }
    std::size_t pageLines() const override { return 3; }
    std::string selected() const {
        const std::size_t start = cursor.selectionStart();
        return std::string(document.text().substr(start, cursor.selectionEnd() - start));
    }
    // Keys as "Down +End ^Right": + extends the selection, ^ is Ctrl.
    void press(const std::string& keys) {
        using enum CaretMove;
        static const std::map<std::string, CaretMove> moves = {
            {"Left", CharacterLeft}, {"Right", CharacterRight}, {"^Left", WordLeft},
            {"^Right", WordRight},   {"Home", LineStart},       {"End", LineEnd},
            {"Up", LineUp},          {"Down", LineDown},        {"PgUp", PageUp},
            {"PgDn", PageDown},      {"^Home", DocumentStart},  {"^End", DocumentEnd}};
        std::istringstream words(keys);
        for (std::string key; words >> key;) {
            cursor.move(moves.at(key.substr(key[0] == '+')), key[0] == '+', *this);
        }
    }
};

const std::string kTable =
    "<table>\r\n<tr>\r\n<td align=right>abc</td>\r\n"
    "<td>東京都千代田区</td>\r\n<td>ｶﾀｶﾅ and ASCII</td>\r\n</tr>\r\n</table>";

} // namespace

// Random texts of every kind of character and line end, long enough to be
// read in blocks (every other one mostly ASCII), against a plain model of
// line starts and ends, and the widest line by the class of each character.
TEST(WindowText, LineIndexFollowsAModel) {
    const std::string controls(32, '\x01'); // fills whole blocks
    const std::string_view pieces[] = {"a",    "<td>", "\t", "\r", "\n",    "\r\n",
                                       "\x01", "東",   "ｶ",  "ﾀ",  "ﾟ",     "￠",
                                       "Ｗ",   "𠮷",   "é",  " ",  {"", 1}, controls};
    const AdvanceBounds bounds{{3, 5, 11, 17}};
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        std::vector<std::size_t> starts{0}, ends;
        for (int i = 0, count = int(rng() % 300); i < count; ++i) {
            const std::string_view piece = pieces[rng() % (round % 2 != 0 ? 6 : std::size(pieces))];
            if (piece.find_first_of("\r\n") != std::string_view::npos) {
                if (piece == "\n" && text.ends_with('\r')) {
                    continue; // a lone CR then a lone LF would be one CR LF
                }
                ends.push_back(text.size());
                starts.push_back(text.size() + piece.size());
            }
            text += piece;
        }
        text += round % 3 == 0 ? "𠮷" : ""; // in the last bytes, read one at a time
        ends.push_back(text.size());
        const auto widest = [&] {
            std::uint64_t most = 0;
            for (std::size_t line = 0; line < starts.size(); ++line) {
                std::uint64_t width = 0;
                for (std::size_t i = starts[line]; i < ends[line]; i = utf8::next(text, i)) {
                    const char32_t c = utf8::decode(text, i);
                    width += bounds.advance[std::size_t(widthClass(c))] * (c > 0xFFFF ? 2 : 1);
                }
                most = std::max(most, width);
            }
            return most;
        };
        LineIndex index;
        index.build(text, bounds);
        ASSERT_EQ(index.lineCount(), starts.size());
        for (std::size_t line = 0; line < starts.size(); ++line) {
            ASSERT_EQ(std::tuple(index.lineStart(line), index.lineEnd(line),
                                 index.lineOf(starts[line]), index.lineOf(ends[line])),
                      std::tuple(starts[line], ends[line], line, line));
        }
        ASSERT_EQ(index.widestBound(), widest()) << round;
    }
}

// The one table of classes, at both ends of its ranges.
TEST(WindowText, WordAndWidthClasses) {
    using enum WordClass;
    using enum WidthClass;
    const std::tuple<std::u32string_view, WordClass, WidthClass> rows[] = {
        {U" ", Space, Narrow},
        {U"\t", Space, Tab},
        {U"\u3000", Space, Wide},
        {U"09AZaz_", Letter, Narrow},
        {U"ÀÖØöøɏͰЖӿ", Letter, Wide},
        {U"\u3041あんゝ\u3098\u309B\u309F", Hiragana, Wide},
        {U"\u30A0アンー\u30FF", Katakana, Wide},
        {U"\uFF66ｶﾝｰﾞ\uFF9F", Katakana, HalfWidth},
        {U"\uFF61｢･", Symbol, HalfWidth},
        {U"東々\u3400\u4DBF\u4E00\u9FFF\uF900\uFAFF𠮷\U0010FFFF", Kanji, Wide},
        {U"ＡＺａｚ０９", FullWidthLatin, Wide},
        {U"!/:@[^`{~\x7F", Symbol, Narrow},
        {U"\u0300\u036F\u1DC0\u20D0\u3099\u309A\uFE00\uFE0F\uFE20\U000E0100\U000E01EF", Mark, Wide},
        {U"\x01\x1F×÷\u02FF\u1DBF\u20CF\u2100\uFDFF\uFE10\uFE30\u3001\u3040\u3100\uFF0F\uFF20\uFF5B"
         U"\uFF60\uFFA0\uFFFD",
         Symbol, Wide}};
    for (const auto& [chars, word, width] : rows) {
        for (const char32_t c : chars) {
            EXPECT_EQ(std::pair(wordClass(c), widthClass(c)), std::pair(word, width)) << int(c);
        }
    }
}

// Characters as the walker reads them, well-formed or not, and their UTF-16.
TEST(WindowText, Utf8WalkerAndUtf16) {
    const std::tuple<std::string_view, std::u32string_view, std::u16string_view> rows[] = {
        {"a東𠮷é", U"a東𠮷é", u"a東𠮷é"},
        {"abcdefgh東ijklmnopq", U"", u"abcdefgh東ijklmnopq"},
        {"\xC0\x80z", U"\uFFFDz", u"\uFFFDz"},                // overlong
        {"\xED\xA0\x80", U"\uFFFD", u"\uFFFD"},               // surrogate
        {"\xF4\x90\x80\x80", U"\uFFFD", u"\uFFFD\uFFFD"},     // beyond U+10FFFF
        {"\xE6\x9D|", U"\uFFFD|", u"\uFFFD|"},                // cut short
        {"abcdefgh\x80z", U"", u"abcdefg\uFFFDz"},            // stray continuation
        {"\x80\x80q", U"\uFFFDq", u"q"},                      // before any lead
        {"\xF8\x88\x80\x80\x80", U"\uFFFD", u"\uFFFD\uFFFD"}, // no lead byte
        {"\xF8\x90\x80\x80", U"\uFFFD", u"\uFFFD\uFFFD"}};    // not U+10000
    for (const auto& [text, chars, utf16] : rows) {
        std::u32string read;
        for (std::size_t i = 0; i < text.size(); i = utf8::next(text, i)) {
            read += utf8::decode(text, i);
            EXPECT_EQ(utf8::previous(text, utf8::next(text, i)), i);
        }
        std::u16string written(utf8::utf16Units(text) + 1, u'#');
        utf8::writeUtf16(text, written.data());
        EXPECT_EQ(std::pair(chars.empty() ? U"" : read, written),
                  std::pair(std::u32string(chars), std::u16string(utf16) + u'#'));
    }
    // The vector count against its plain twin, on random bytes at every
    // offset and length around the 16-byte steps.
    std::mt19937 random(3);
    std::string bytes(300, '\0');
    for (char& c : bytes) {
        c = static_cast<char>(random());
    }
    for (std::size_t from = 0; from < 20; ++from) {
        for (std::size_t length = 0; from + length <= bytes.size(); ++length) {
            const std::string_view part = std::string_view(bytes).substr(from, length);
            ASSERT_EQ(utf8::utf16Units(part), utf8::utf16UnitsPlain(part)) << from << "+" << length;
        }
    }
    EXPECT_THROW(utf8::utf16Length("𠮷ab", 3), std::length_error);
    EXPECT_EQ(utf8::utf16Length("𠮷ab", 4), 4);
}

// Keys from the start of a text: what they select.
TEST(WindowText, CaretMovesAndSelection) {
    const std::string lines = "ab東京cd\r\nabcdefghijkl\r\n東京都府";
    const std::string many = "a\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng";
    const std::tuple<const char*, std::string_view, std::string_view> rows[] = {
        {"End +Right +Right", kTable, "\r\n<"},
        {"Down +Left", kTable, "\r\n"},
        {"Down Down Down Right ^Right ^Right +^Left", kTable, ">"},
        {"Down End +^Left +^Left +^Left", lines, "cd\r\nabcdefghijkl"},
        {"Right Right Right +Up +Left +Right +Right", lines, "京"},
        {"End Left Left Down Down Up +Down +Down", lines, "ijkl\r\n東京"},
        {"Right Right Down +Down", lines, "cdefghijkl\r\n"},
        {"Down +Down +Down", "a\nb\rc\r\nd", "b\rc\r\n"},
        {"PgDn PgDn +PgUp", many, "d\r\ne\r\nf\r\n"},
        {"End PgDn +PgDn", "abcdef\r\nx\r\ny\r\nab\r\nc\r\nd\r\nabcdef", "\r\nc\r\nd\r\nabcdef"},
        {"^End PgDn +PgUp +PgUp +PgUp", many, "\r\nb\r\nc\r\nd\r\ne\r\nf\r\ng"},
        {"+Left +Up ^Home", lines, ""},
        {"Right +Right +Right", "か\u3099き\u3099く", "き\u3099く"},
        {"^End +Left", "abc ae\u0301", "e\u0301"}};
    for (const auto& [keys, text, selected] : rows) {
        Box box(text);
        box.press(keys);
        EXPECT_EQ(box.selected(), selected) << keys;
    }
}

// A double-click selects the word under it, of each class: ASCII and its
// symbols, kanji with the iteration mark and characters beyond the basic
// plane, hiragana, full and half-width katakana, full-width letters; at the
// line's end, the word before it; nothing on an empty line.
TEST(WindowText, WordSelection) {
    const std::string_view line =
        "<td class=x>東京タワーとabc_12 ﾃｽﾄ　人々は𠮷野家でＡＢＣ１２を</td>";
    // The character clicked (its first place in the line) and the word.
    const std::tuple<std::string_view, std::string_view> rows[] = {
        {"<", "<"},       {"d", "td"},      {" ", " "},           {"=", "="},   {"京", "東京"},
        {"ワ", "タワー"}, {"と", "と"},     {"_", "abc_12"},      {"ｽ", "ﾃｽﾄ"}, {"　", "　"},
        {"々", "人々"},   {"野", "𠮷野家"}, {"２", "ＡＢＣ１２"}, {"を", "を"}, {"/", "/"}};
    Box box("<tr>\r\n" + std::string(line) + "\r\n\r\n");
    for (const auto& [clicked, word] : rows) {
        EXPECT_TRUE(box.cursor.selectWordAt(6 + line.find(clicked)));
        EXPECT_EQ(box.selected(), word) << clicked;
    }
    EXPECT_TRUE(box.cursor.selectWordAt(6 + line.size()));
    EXPECT_EQ(box.selected(), ">");
    Box marked("<td>は\u3099か\u3099き</td>");
    EXPECT_TRUE(marked.cursor.selectWordAt(10));
    EXPECT_EQ(marked.selected(), "は\u3099か\u3099き");
    box.cursor.select(1, 3);
    EXPECT_FALSE(box.cursor.selectWordAt(box.document.text().size()));
    EXPECT_EQ(box.selected(), "tr");
}

// A new text whose index cannot be built leaves text, index and selection
// as they were.
TEST(WindowText, FailedReplacementChangesNothing) {
    Box box(kTable);
    box.cursor.select(3, 12);
    const std::string next(20000, '\n');
    g_refuseAbove = 40000;
    EXPECT_THROW(box.document.setText(next, {}), std::bad_alloc);
    g_refuseAbove = SIZE_MAX;
    EXPECT_EQ(std::tuple(box.document.text(), box.document.lines().lineCount(),
                         box.document.utf16().toUtf16(kTable.size()), box.selected()),
              std::tuple(kTable, std::size_t{7}, std::size_t{99}, std::string("ble>\r\n<tr")));
    box.document.setText(next, {});
    EXPECT_EQ(box.document.lines().lineCount(), 20001);
}
