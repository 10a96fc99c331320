#include "cp932_kernel.h"
#include "field_end_cursor.h"
#include "table_property.h"
#include "text_source.h"

#include <gtest/gtest.h>
#include <random>
#include <vector>

// The block scans and decoders against the plain twins that other machines
// run, on random bytes: ASCII runs, delimiters, line ends and lead bytes
// rare or dense, cut anywhere, so that characters and CR LF pairs fall
// across the edges of blocks.
namespace quorvane::tag {
namespace {

#if defined(__SSE2__)

// Random bytes: each one from `special` with one chance in `density`,
// otherwise 'a'.
std::vector<unsigned char> Bytes(std::mt19937& random, std::size_t size, std::string_view special,
                                 unsigned density) {
    std::vector<unsigned char> bytes(size);
    for (unsigned char& b : bytes) {
        b = random() % density == 0 ? special[random() % special.size()] : 'a';
    }
    return bytes;
}

const std::string kAnyByte = [] {
    std::string all;
    for (int b = 0; b < 256; ++b) {
        all += static_cast<char>(b);
    }
    return all;
}();
// Lead bytes only: every place may start a pair, so the pairs' places
// depend on the whole run before them.
const std::string kLeads = "\x81\x9f\xe0\xfc\x88";
const std::string kSeparators = ",;|\t\r\n \r\n\"";

TEST(Kernels, ScansAgreeWithPlain) {
    std::mt19937 random(7);
    for (int round = 0; round < 20000; ++round) {
        const std::string_view special = round % 2 ? kSeparators : kAnyByte;
        const auto bytes = Bytes(random, 200 + 64, special, 1 + random() % 40);
        const unsigned char* p = bytes.data();
        unsigned char delimiters[16];
        std::memset(delimiters, ",\t;|"[random() % 4], sizeof delimiters);
        const std::size_t from = random() % 200, to = from + random() % (201 - from);
        ASSERT_EQ(sse2::FindDelimiter(p, from, to, delimiters),
                  plain::FindDelimiter(p, from, to, delimiters));
        ASSERT_EQ(sse2::FindByte(p, from, to, '"'), plain::FindByte(p, from, to, '"'));
        ASSERT_EQ(sse2::AsciiPrefix(p + from, to - from), plain::AsciiPrefix(p + from, to - from));
        const bool crBefore = random() % 2;
        const auto classes = sse2::Classify(p + from, delimiters[0], crBefore);
        const auto plainClasses = plain::Classify(p + from, delimiters[0], crBefore);
        ASSERT_EQ(classes.ends, plainClasses.ends);
        ASSERT_EQ(classes.breaks, plainClasses.breaks);
        ASSERT_EQ(classes.quotes, plainClasses.quotes);
        // The small copy writes those bytes and no more.
        const std::size_t size = std::min<std::size_t>(to - from, 24);
        std::string copy(32, '#'), expected(p + from, p + from + size);
        CopySmall(copy.data(), reinterpret_cast<const char*>(p + from), size);
        ASSERT_EQ(copy, expected + std::string(32 - size, '#'));
        // So does the stream copy, to any alignment.
        std::string streamed(to - from + 64, '#');
        const std::size_t at = random() % 32;
        sse2::StreamCopy(streamed.data() + at, reinterpret_cast<const char*>(p + from), to - from);
        sse2::StreamFence();
        ASSERT_EQ(streamed,
                  std::string(at, '#') + std::string(p + from, p + to) + std::string(64 - at, '#'));
    }
}

// A table of codes that shows in its output which bytes each code came
// from and how many it took, made by the same lead and trail rules.
std::vector<Cp932Code> MarkedCodes() {
    std::vector<Cp932Code> codes(65536);
    for (unsigned i = 0; i < codes.size(); ++i) {
        const unsigned first = i & 0xFF, next = i >> 8;
        const bool pair = plain::IsCp932Lead(first) && plain::IsCp932Trail(next);
        const unsigned out = pair ? 3 : 1 + first % 2;
        codes[i] = {{char(first), char(pair ? next : '.'), char(pair ? '+' : '-')},
                    std::uint8_t(out << 6 | (pair ? 2 : 1) << 4)};
    }
    return codes;
}

TEST(Kernels, Cp932AgreesWithPlain) {
    const std::vector<Cp932Code> codes = MarkedCodes();
    std::mt19937 random(11);
    for (int round = 0; round < 20000; ++round) {
        const std::string_view special = round % 3 == 0 ? kLeads : kAnyByte;
        const auto bytes = Bytes(random, 400, special, 1 + random() % 3);
        const unsigned char* p = bytes.data();
        const bool startIn = random() % 2;
        bool sse2Out = false, plainOut = false;
        ASSERT_EQ(sse2::Cp932Starts(p, startIn, sse2Out), plain::Cp932Starts(p, startIn, plainOut));
        ASSERT_EQ(sse2Out, plainOut);
        // Decoded from any place, cut anywhere, with and without a flush.
        const std::size_t from = random() % 100, size = random() % 300;
        const bool flush = random() % 2;
        std::string fast(3 * size + 4, '\0'), slow(fast);
        std::size_t fastSize = 0, slowSize = 0;
        ASSERT_EQ(sse2::DecodeCp932(p + from, size, flush, codes.data(), fast.data(), fastSize),
                  plain::DecodeCp932(p + from, size, flush, codes.data(), slow.data(), slowSize));
        ASSERT_EQ(fast.substr(0, fastSize), slow.substr(0, slowSize)) << round;
    }
}

#endif

// The ends of the fields from `from` by the reader's rules, a byte at a
// time, up to the first field the walk may stop at: one that starts with a
// quote not closed by a lone quote followed by an end, or holds a quote
// after its first byte.
std::vector<std::size_t> PlainEnds(const std::vector<unsigned char>& b, std::size_t from,
                                   std::size_t limit, bool& stray) {
    const auto isEnd = [&](std::size_t at) {
        return b[at] == ',' || b[at] == '\r' ||
               (b[at] == '\n' && !(at > from && b[at - 1] == '\r'));
    };
    std::vector<std::size_t> ends;
    stray = false;
    for (std::size_t pos = from; pos < limit;) {
        std::size_t at = pos;
        if (b[pos] == '"') {
            at = std::find(b.begin() + pos + 1, b.begin() + limit, '"') - b.begin();
            if (at + 1 < limit && !isEnd(at + 1)) {
                stray = true;
            }
            ++at;
        }
        while (at < limit && !isEnd(at)) {
            stray = stray || b[at] == '"';
            ++at;
        }
        if (at >= limit || stray) {
            return ends;
        }
        ends.push_back(at);
        pos = at + 1 + (b[at] == '\r' && b[at + 1] == '\n');
    }
    return ends;
}

// The walk finds the ends of the rules, quoted fields whole, up to the first
// field with a stray quote; the ends past the limit, in the bytes after it,
// are not seen.
TEST(FieldEndCursor, FindsTheEndsOfThePlainRules) {
    std::mt19937 random(13);
    for (int round = 0; round < 20000; ++round) {
        std::vector<unsigned char> bytes(300 + 64);
        for (unsigned char& b : bytes) {
            b = random() % (1 + round % 20) == 0 ? ",\r\n\"\""[random() % 5] : 'a';
        }
        const std::size_t limit = random() % 301;
        std::size_t from = random() % (limit + 1);
        from += from > 0 && from < limit && bytes[from - 1] == '\r' && bytes[from] == '\n';
        bool stray = false;
        const std::vector<std::size_t> expected = PlainEnds(bytes, from, limit, stray);
        FieldEndCursor cursor(bytes.data(), limit, ',');
        std::vector<std::size_t> found;
        for (std::size_t at = cursor.From(from); at < limit; at = cursor.Next()) {
            found.push_back(at);
        }
        ASSERT_EQ(found, expected) << round;
    }
}

// The decoded text is the same however small the reads that take it, in
// every encoding, with the mark or not.
TEST(TextSource, HandsOutTheSameTextInReadsOfAnySize) {
    const std::string cp932 = "a\x82\xa0\x83\x7c|\x81 \xb1\xff,\x82";
    const std::string utf8 = "\xe3\x81\x82x\xf0\x9f\x98\x80\xe3\x81,\xc3";
    const std::pair<std::string, Encoding> inputs[] = {
        {cp932, Encoding::Cp932},
        {cp932, Encoding::Auto},
        {utf8, Encoding::Auto},
        {"\xef\xbb\xbf" + utf8, Encoding::Utf8},
        {"\xff\xfe\x42\x30\x3d\xd8\x00\xde!", Encoding::Auto},
    };
    std::mt19937 random(17);
    for (const auto& [input, encoding] : inputs) {
        const std::string expected = test::DecodeWhole(input, encoding);
        for (int round = 0; round < 200; ++round) {
            test::MemorySource raw(input, {1 + random() % 5});
            TextSource source(raw, encoding);
            source.Open();
            std::string text;
            for (;;) {
                unsigned char piece[80];
                const std::size_t n = source.Read(piece, 1 + random() % sizeof piece);
                if (n == 0) {
                    break;
                }
                text.append(reinterpret_cast<const char*>(piece), n);
            }
            ASSERT_EQ(text, expected) << testing::PrintToString(input);
        }
    }
}

} // namespace
} // namespace quorvane::tag
