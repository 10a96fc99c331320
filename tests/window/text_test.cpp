#include "quorvane/window/char_class.h"
#include "quorvane/window/line_index.h"
#include "quorvane/window/text_cursor.h"
#include "quorvane/window/text_document.h"
#include "quorvane/window/text_measure.h"
#include "quorvane/window/utf8.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <map>
#include <new>
#include <random>
#include <sstream>

using namespace quorvane::window;

// Allocations above this size are refused, to fail a build part way.
static std::size_t g_refuseAbove = SIZE_MAX;

void* operator new(std::size_t size) {
    void* p = size > g_refuseAbove ? nullptr : std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    return p;
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}

namespace {

std::string utf8Of(std::u32string_view chars) {
    std::string out;
    for (const char32_t c : chars) {
        if (c < 0x80) {
            out += char(c);
        } else if (c < 0x800) {
            out += {char(0xC0 | c >> 6), char(0x80 | (c & 0x3F))};
        } else if (c < 0x10000) {
            out += {char(0xE0 | c >> 12), char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
        } else {
            out += {char(0xF0 | c >> 18), char(0x80 | (c >> 12 & 0x3F)),
                    char(0x80 | (c >> 6 & 0x3F)), char(0x80 | (c & 0x3F))};
        }
    }
    return out;
}

// A fixed-pitch face: wide characters take two columns, others one; a page
// is 3 lines.
class ColumnMeasure final : public TextMeasure {
public:
    explicit ColumnMeasure(const TextDocument& document)
        : m_document(document) {}
    double caretX(std::size_t line, std::size_t pos) const override {
        double x = 0;
        for (std::size_t i = m_document.lines().lineStart(line); i < pos; i = next(i)) {
            x += width(i);
        }
        return x;
    }
    std::size_t caretAt(std::size_t line, double x) const override {
        std::size_t i = m_document.lines().lineStart(line);
        for (double left = 0; i < m_document.lines().lineEnd(line) && left + width(i) / 2 <= x;
             i = next(i)) {
            left += width(i);
        }
        return i;
    }
    std::size_t pageLines() const override { return 3; }

private:
    std::size_t next(std::size_t i) const { return utf8::next(m_document.text(), i); }
    double width(std::size_t i) const {
        return widthClass(utf8::decode(m_document.text(), i)) == WidthClass::Wide ? 2 : 1;
    }

    const TextDocument& m_document;
};

struct Box {
    TextDocument document;
    TextCursor cursor{document};
    ColumnMeasure measure{document};

    explicit Box(std::string text) { document.setText(std::move(text), {}); }
    std::string selected() const {
        return document.text().substr(cursor.selectionStart(),
                                      cursor.selectionEnd() - cursor.selectionStart());
    }
    // Keys as "Down +End ^Right": + extends the selection, ^ is Ctrl.
    void press(const std::string& keys) {
        static const std::map<std::string, CaretMove> moves = {
            {"Left", CaretMove::CharacterLeft},  {"Right", CaretMove::CharacterRight},
            {"^Left", CaretMove::WordLeft},      {"^Right", CaretMove::WordRight},
            {"Home", CaretMove::LineStart},      {"End", CaretMove::LineEnd},
            {"Up", CaretMove::LineUp},           {"Down", CaretMove::LineDown},
            {"PgUp", CaretMove::PageUp},         {"PgDn", CaretMove::PageDown},
            {"^Home", CaretMove::DocumentStart}, {"^End", CaretMove::DocumentEnd}};
        std::istringstream words(keys);
        for (std::string key; words >> key;) {
            const bool extend = key[0] == '+';
            cursor.move(moves.at(key.substr(extend)), extend, measure);
        }
    }
};

const std::string kTable =
    "<table>\r\n<tr>\r\n<td align=right>abc</td>\r\n"
    "<td>東京都千代田区</td>\r\n<td>ｶﾀｶﾅ and ASCII</td>\r\n</tr>\r\n</table>";

} // namespace

// Random texts of every kind of character and line end, long enough to be
// read in blocks (every other one mostly ASCII), against a plain model of
// line starts, ends and the width bound, before and after new advances.
TEST(WindowText, LineIndexFollowsAModel) {
    const std::string controls(32, '\x01');
    const std::string_view pieces[] = {"a", "<td>", "\t", "\r", "\n", "\r\n",  "\x01",  "東",
                                       "ｶ", "Ｗ",   "𠮷", "é",  " ",  {"", 1}, controls};
    const AdvanceBounds bounds[] = {{{3, 5, 11, 17}}, {{7, 2, 13, 40}}};
    const auto widthOf = [](std::string_view piece, const AdvanceBounds& b) {
        std::uint64_t width = 0;
        for (std::size_t i = 0; i < piece.size(); i = utf8::next(piece, i)) {
            const char32_t c = utf8::decode(piece, i);
            width += b.advance[std::size_t(widthClass(c))] * (c > 0xFFFF ? 2 : 1);
        }
        return width;
    };
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        std::vector<std::size_t> starts{0}, ends;
        std::uint64_t width[2] = {}, widest[2] = {};
        for (int i = 0, count = int(rng() % 300); i < count; ++i) {
            const std::string_view piece = pieces[rng() % (round % 2 != 0 ? 6 : std::size(pieces))];
            if (piece == "\n" && !text.empty() && text.back() == '\r') {
                continue; // a lone CR then a lone LF would be one CR LF
            }
            if (piece.find_first_of("\r\n") != std::string_view::npos) {
                ends.push_back(text.size());
                starts.push_back(text.size() + piece.size());
                for (int b = 0; b < 2; ++b) {
                    widest[b] = std::max(widest[b], std::exchange(width[b], 0));
                }
            } else {
                for (int b = 0; b < 2; ++b) {
                    width[b] += widthOf(piece, bounds[b]);
                }
            }
            text += piece;
        }
        ends.push_back(text.size());
        LineIndex index;
        index.build(text, bounds[0]);
        ASSERT_EQ(index.lineCount(), starts.size());
        for (std::size_t line = 0; line < starts.size(); ++line) {
            ASSERT_EQ(std::tuple(index.lineStart(line), index.lineEnd(line),
                                 index.lineOf(starts[line]), index.lineOf(ends[line])),
                      std::tuple(starts[line], ends[line], line, line));
        }
        ASSERT_EQ(index.widestBound(), std::max(widest[0], width[0])) << round;
        index.remeasure(bounds[1]);
        ASSERT_EQ(index.widestBound(), std::max(widest[1], width[1])) << round;
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
        {U"\u3041あんゝ\u309F", Hiragana, Wide},
        {U"\u30A0アンー\u30FF", Katakana, Wide},
        {U"\uFF66ｶﾝｰﾞ\uFF9F", Katakana, HalfWidth},
        {U"\uFF61｢･", Symbol, HalfWidth},
        {U"東々\u3400\u4DBF\u4E00\u9FFF\uF900\uFAFF𠮷\U0010FFFF", Kanji, Wide},
        {U"ＡＺａｚ０９", FullWidthLatin, Wide},
        {U"!/:@[^`{~\x7F", Symbol, Narrow},
        {U"\x01\x1F×÷\u3001\u3040\u3100\uFF0F\uFF20\uFF5B\uFF60\uFFA0\uFFFD", Symbol, Wide}};
    for (const auto& [chars, word, width] : rows) {
        for (const char32_t c : chars) {
            EXPECT_EQ(std::pair(wordClass(c), widthClass(c)), std::pair(word, width)) << int(c);
        }
    }
}

// Characters as the walker reads them, well-formed or not, and their UTF-16.
TEST(WindowText, Utf8WalkerAndUtf16) {
    const std::tuple<std::string_view, std::vector<char32_t>, std::u16string_view> rows[] = {
        {"a東𠮷é", {U'a', U'東', U'𠮷', U'é'}, u"a東𠮷é"},
        {"abcdefgh東ijklmnopq", {}, u"abcdefgh東ijklmnopq"},
        {"\xC0\x80z", {0xFFFD, U'z'}, u"\uFFFDz"},       // overlong
        {"\xED\xA0\x80", {0xFFFD}, u"\uFFFD"},           // surrogate
        {"\xF4\x90\x80\x80", {0xFFFD}, u"\uFFFD\uFFFD"}, // beyond U+10FFFF
        {"\xE6\x9D|", {0xFFFD, U'|'}, u"\uFFFD|"},       // cut short
        {"abcdefgh\x80z", {}, u"abcdefg\uFFFDz"},        // stray continuation
        {"\x80\x80q", {0xFFFD, U'q'}, u"q"},             // before any lead
        {"\xF8\x88\x80\x80\x80", {0xFFFD}, u"\uFFFD\uFFFD"}};
    for (const auto& [text, chars, utf16] : rows) {
        std::vector<char32_t> read;
        for (std::size_t i = 0; i < text.size(); i = utf8::next(text, i)) {
            read.push_back(utf8::decode(text, i));
            EXPECT_EQ(utf8::previous(text, utf8::next(text, i)), i);
        }
        std::u16string written(utf8::utf16Units(text) + 1, u'#');
        utf8::writeUtf16(text, written.data());
        EXPECT_TRUE(chars.empty() || read == chars) << text;
        EXPECT_EQ(written, std::u16string(utf16) + u'#') << text;
    }
    EXPECT_THROW(utf8::utf16Length("𠮷ab", 3), std::length_error);
    EXPECT_EQ(utf8::utf16Length("𠮷ab", 4), 4);
}

// UTF-16 offsets against a count from the start, over several 64 KiB blocks
// and characters of one to four bytes.
TEST(WindowText, Utf16OffsetsAcrossBlocks) {
    std::string text;
    for (int i = 0; i < 30000; ++i) {
        text += i % 7 == 0 ? "𠮷" : i % 3 == 0 ? "é" : i % 2 == 0 ? "東" : "a";
    }
    TextDocument document;
    document.setText(text, {});
    const Utf16Offsets& offsets = document.utf16();
    std::size_t units = 0;
    for (std::size_t i = 0; i < text.size(); i = utf8::next(text, i)) {
        if (i % 97 < 4) {
            ASSERT_EQ(offsets.toUtf16(i), units) << i;
            ASSERT_EQ(offsets.toByte(units), i) << i;
            ASSERT_EQ(offsets.toByte(units + 1),
                      utf8::decode(text, i) > 0xFFFF ? i : utf8::next(text, i));
        }
        units += utf8::decode(text, i) > 0xFFFF ? 2 : 1;
    }
    EXPECT_EQ(std::pair(offsets.toUtf16(text.size() + 5), offsets.toByte(units + 5)),
              std::pair(units, text.size()));
}

// Keys from the start of a text: what they select.
TEST(WindowText, CaretMovesAndSelection) {
    const std::string lines = "ab東京cd\r\nabcdefgh\r\n東京都府";
    std::string many = "a\r\n";
    for (int i = 0; i < 9; ++i) {
        many += "b\r\n";
    }
    const std::tuple<const char*, std::string_view, std::string_view> rows[] = {
        {"Down Down +End", kTable, "<td align=right>abc</td>"},
        {"Down +Down", kTable, "<tr>\r\n"},
        {"End +Right +Right", kTable, "\r\n<"},
        {"Down +Left", kTable, "\r\n"},
        {"^End Home +^End", kTable, "</table>"},
        {"^End +^Home", kTable, kTable},
        {"Down Down Right +^Right", kTable, "td"},
        {"Down Down Down Right ^Right ^Right +^Left", kTable, ">"},
        {"Down Down Down End +Left +Down", kTable, "\r\n<td>ｶﾀｶﾅ and ASCII</td"},
        {"End Left Left Down Down Up +Down +Down", lines, "gh\r\n東京都"},
        {"Right Right Right +Up +Left +Right +Right", lines, "京"},
        {"Down ^Right ^Right ^Right ^Left +^Left", lines, "\r\n"},
        {"Down +Down +Down", "a\nb\rc\r\nd", "b\rc\r\n"},
        {"PgDn PgDn +PgUp", many, "b\r\nb\r\nb\r\n"},
        {"^End PgDn +PgUp +PgUp +PgUp +PgUp", many, many},
        {"+Left +Up ^Home", lines, ""}};
    for (const auto& [keys, text, selected] : rows) {
        Box box{std::string(text)};
        box.press(keys);
        EXPECT_EQ(box.selected(), selected) << keys;
    }
}

// A double-click selects the word under it, of each class: ASCII and its
// symbols, kanji with the iteration mark and characters beyond the basic
// plane, hiragana, full and half-width katakana, full-width letters.
TEST(WindowText, WordSelection) {
    const std::u32string line =
        U"<td class=x>東京タワーとabc_12 ﾃｽﾄ　人々は𠮷野家でＡＢＣ１２を</td>";
    const std::tuple<std::size_t, std::u32string_view> rows[] = {
        {0, U"<"},           {1, U"td"},      {3, U" "},     {9, U"="},
        {12, U"東京"},       {15, U"タワー"}, {17, U"と"},   {20, U"abc_12"},
        {26, U"ﾃｽﾄ"},        {28, U"　"},     {29, U"人々"}, {32, U"𠮷野家"},
        {38, U"ＡＢＣ１２"}, {41, U"を"},     {44, U"td"},   {line.size(), U">"}};
    Box box("<tr>\r\n" + utf8Of(line) + "\r\n\r\n");
    for (const auto& [column, word] : rows) {
        const std::size_t pos = 6 + utf8Of(line.substr(0, column)).size();
        EXPECT_TRUE(box.cursor.selectWordAt(pos));
        EXPECT_EQ(box.selected(), utf8Of(word)) << column;
    }
    box.cursor.select(1, 3);
    EXPECT_FALSE(box.cursor.selectWordAt(box.document.text().size()));
    EXPECT_EQ(box.selected(), "tr");
}

// Positions given from outside land where a caret can stand.
TEST(WindowText, CaretPlaces) {
    Box box("東\r\nab");
    const std::size_t rows[][2] = {{1, 0}, {2, 0}, {3, 3}, {4, 3}, {5, 5}, {99, 7}};
    for (const auto& [given, place] : rows) {
        box.cursor.moveTo(given, false);
        EXPECT_EQ(std::pair(box.cursor.caret(), box.cursor.anchor()), std::pair(place, place));
    }
    box.cursor.selectAll();
    EXPECT_EQ(std::pair(box.cursor.anchor(), box.cursor.caret()), std::pair(0UL, 7UL));
}

// A new text whose index cannot be built leaves text, index and selection
// as they were; a built one resets the selection.
TEST(WindowText, FailedReplacementChangesNothing) {
    Box box(kTable);
    box.cursor.select(3, 12);
    const std::string next = std::string(20000, '\n');
    g_refuseAbove = 40000;
    EXPECT_THROW(box.document.setText(next, {}), std::bad_alloc);
    g_refuseAbove = SIZE_MAX;
    EXPECT_EQ(std::tuple(box.document.text(), box.document.lines().lineCount(),
                         box.document.utf16().toUtf16(kTable.size()), box.selected()),
              std::tuple(kTable, 7UL, 99UL, std::string("ble>\r\n<tr")));
    box.document.setText(next, {});
    box.cursor.reset();
    EXPECT_EQ(std::pair(box.document.lines().lineCount(), box.cursor.hasSelection()),
              std::pair(20001UL, false));
}
