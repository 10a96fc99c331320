#pragma once

#include "convert_source.h"
#include "memory_source.h"
#include "quorvane/tag/string_sink.h"

#include <algorithm>
#include <iconv.h>
#include <memory>
#include <optional>
#include <random>
#include <stdexcept>
#include <string>
#include <unicode/ucnv.h>
#include <unicode/ustring.h>
#include <vector>

// The property of the conversion: however the input is cut into reads, the
// table is the one a reference makes from the field rules alone, decoding
// the whole input first and then splitting the decoded text.
namespace quorvane::test {

struct Case final {
    tag::ReadOptions read{};
    tag::BuildOptions build{};
    std::string file{};
};

// `bytes` in the ICU converter `name` as UTF-8, each ill-formed or cut
// sequence one U+FFFD; with `strict`, nullopt at the first of them (a cut
// one at the end counts only with `flush`).
inline std::optional<std::string> Icu(const char* name, const std::string& bytes,
                                      bool strict = false, bool flush = true) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, void (*)(UConverter*)> from(ucnv_open(name, &status), ucnv_close);
    if (strict) {
        ucnv_setToUCallBack(from.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                            &status);
    }
    std::u16string wide(bytes.size() + 2, u'\0');
    std::string out(bytes.size() * 3 + 8, '\0');
    auto* target = reinterpret_cast<UChar*>(wide.data());
    const char* source = bytes.data();
    ucnv_toUnicode(from.get(), &target, target + wide.size(), &source, source + bytes.size(),
                   nullptr, flush, &status);
    int32_t length = 0;
    u_strToUTF8(out.data(), static_cast<int32_t>(out.size()), &length,
                reinterpret_cast<UChar*>(wide.data()),
                static_cast<int32_t>(target - reinterpret_cast<UChar*>(wide.data())), &status);
    out.resize(static_cast<std::size_t>(length));
    return U_SUCCESS(status) ? std::optional(out) : std::nullopt;
}

// Code page 932 by glibc's decoder, a character at a time: a lead byte and a
// trail byte make one, defined or not; undefined pairs, lone lead bytes and
// the single bytes the published table leaves undefined become U+FFFD.
inline std::string DecodeCp932(const std::string& text) {
    const auto lead = [](unsigned char b) {
        return (b >= 0x81 && b <= 0x9F) || (b >= 0xE0 && b <= 0xFC);
    };
    const auto trail = [](unsigned char b) { return b >= 0x40 && b <= 0xFC && b != 0x7F; };
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == iconv_t(-1)) {
        throw std::runtime_error("glibc's iconv has no CP932");
    }
    std::string out;
    for (std::size_t i = 0, n = 1; i < text.size(); i += n) {
        const unsigned char b = text[i];
        n = lead(b) && i + 1 < text.size() && trail(text[i + 1]) ? 2 : 1;
        char code[2] = {text[i], text[i + n - 1]}, decoded[8], *in = code, *to = decoded;
        std::size_t inLeft = n, outLeft = sizeof decoded;
        const bool single = b < 0x80 || (b >= 0xA1 && b <= 0xDF);
        out += (n == 2 || single) && iconv(cd, &in, &inLeft, &to, &outLeft) != std::size_t(-1)
                   ? std::string(decoded, to)
                   : "\uFFFD";
    }
    iconv_close(cd);
    return out;
}

// The whole input as UTF-8. Auto reads UTF-16 after its mark, UTF-8 after
// its mark or when the 64 KiB from the first non-ASCII byte are UTF-8 (a
// character cut off at their end counting only where the data ends), and
// code page 932 otherwise.
inline std::string DecodeWhole(const std::string& bytes, tag::Encoding encoding) {
    using enum tag::Encoding;
    const bool le = bytes.starts_with("\xff\xfe"), be = bytes.starts_with("\xfe\xff");
    if (encoding == Utf16 || (encoding == Auto && (le || be))) {
        // An odd byte at the end is a character of its own.
        const std::string units = bytes.substr(le || be ? 2 : 0);
        return *Icu(be ? "UTF-16BE" : "UTF-16LE", units.substr(0, units.size() & ~std::size_t{1})) +
               (units.size() % 2 ? "\uFFFD" : "");
    }
    const bool mark = encoding != Cp932 && bytes.starts_with("\xef\xbb\xbf");
    const std::string text = bytes.substr(mark ? 3 : 0);
    const auto first = std::find_if(text.begin(), text.end(), [](char c) { return c & 0x80; });
    const std::size_t window = 64 << 10, at = first - text.begin();
    if (mark || encoding == Utf8 ||
        (encoding == Auto && first != text.end() &&
         Icu("UTF-8", text.substr(at, window), true, text.size() - at <= window))) {
        return *Icu("UTF-8", text);
    }
    return DecodeCp932(text);
}

// The table by the field rules, from the decoded text.
inline std::string Reference(const Case& c) {
    const tag::BuildOptions& o = c.build;
    const std::string t = DecodeWhole(c.file, c.read.encoding);
    const char d = c.read.delimiter;
    const auto space = [&](std::size_t i) { return t[i] == ' ' || (t[i] == '\t' && d != '\t'); };
    std::size_t i = 0;
    // The next field into `f`; false when the data ends before one begins.
    const auto next = [&](std::string& f) {
        while (i < t.size() && space(i)) {
            ++i;
        }
        if (i == t.size()) {
            return false;
        }
        const bool quoted = t[i] == '"';
        // A quoted field runs to a lone quote, "" standing for one.
        for (i += quoted; quoted && i < t.size(); i += 2) {
            const std::size_t q = std::min(t.find('"', i), t.size());
            f += t.substr(i, q - i);
            if ((i = q) + 1 >= t.size() || t[q + 1] != '"') {
                break;
            }
            f += '"';
        }
        const std::size_t begin = i;
        i = std::min(t.find_first_of(std::string{d, '\r', '\n'}, i), t.size());
        std::size_t e = i;
        while (!quoted && e > begin && space(e - 1)) {
            --e;
        }
        f += quoted ? "" : t.substr(begin, e - begin);
        i += t.compare(i, 2, "\r\n") == 0 ? 2 : i < t.size();
        return true;
    };
    const auto valid = [](const std::string& s) { return *Icu("UTF-8", s); };
    std::string table = "<table" + (o.tableAttribute.empty() ? "" : " " + valid(o.tableAttribute));
    if (o.fieldCount < 1) {
        return table + ">#5";
    }
    table += ">";
    for (bool header = o.headerRow, ended = false; i < t.size() && !ended; header = false) {
        const std::string cell = header ? "th" : "td";
        table += "\r\n<tr>";
        for (std::size_t col = 0; col < std::size_t(o.fieldCount); ++col) {
            std::string f, attribute = col < o.styleRows.size() ? o.styleRows[col] : "";
            ended = ended || !next(f);
            table += "\r\n<" + cell + (attribute.empty() ? "" : " " + valid(attribute)) + ">";
            for (const char ch : f) {
                const std::size_t k = o.escape ? std::string("&<>\"'").find(ch) : std::string::npos;
                const std::string refs[] = {"&amp;", "&lt;", "&gt;", "&quot;", "&#39;"};
                table += k == std::string::npos ? std::string(1, ch) : refs[k];
            }
            table += "</" + cell + ">";
        }
        table += "\r\n</tr>";
    }
    return table + "\r\n</table>";
}

// The table Convert makes when the input arrives in reads of `pieces` (see
// MemorySource) and fails after `failAt` bytes; "#code" after it when it
// failed. With `ahead`, the input is read ahead on a thread.
inline std::string Converted(const Case& c, std::vector<std::size_t> pieces,
                             std::size_t failAt = SIZE_MAX, bool ahead = false) {
    MemorySource source(c.file.substr(0, failAt), std::move(pieces), failAt != SIZE_MAX);
    std::string text;
    tag::StringSink sink(text);
    tag::ReadOptions read = c.read;
    read.readAhead = ahead;
    try {
        tag::ConvertSource(source, read, c.build, sink);
    } catch (const tag::TagError& error) {
        text += "#" + std::to_string(static_cast<int>(error.code()));
    }
    return text;
}

// Where the conversion breaks the property, "" when nowhere: read whole; in
// pieces of 1, 2 and 3 bytes from every offset; cut once at every place (at
// 256 places in a longer input); cut at random places drawn from `seed`; and
// with a read failure part-way, which keeps its code and the text so far.
// Whole, in pieces of 1 and at random places, and with the failure, the
// input is read ahead on a thread too.
inline std::string Disagreement(const Case& c, unsigned seed) {
    const std::string expected = Reference(c);
    std::vector<std::vector<std::size_t>> cuts = {{SIZE_MAX}, {1},    {2},   {1, 2},
                                                  {3},        {1, 3}, {2, 3}};
    for (std::size_t at = 1; at < c.file.size(); at += 1 + c.file.size() / 256) {
        cuts.push_back({at, SIZE_MAX});
    }
    std::mt19937 random(seed);
    for (int k = 0; k < 4; ++k) {
        auto& pieces = cuts.emplace_back(1, 1 + random() % 7);
        for (std::size_t n = pieces[0]; n < c.file.size(); n += pieces.back()) {
            pieces.push_back(1 + random() % 7);
        }
    }
    for (std::size_t k = 0; k < cuts.size(); ++k) {
        const bool both = k < 2 || k + 4 >= cuts.size();
        for (const bool ahead : {false, true}) {
            const std::string got =
                ahead && !both ? expected : Converted(c, cuts[k], SIZE_MAX, ahead);
            if (got != expected) {
                return "reads of " + std::to_string(cuts[k][0]) + "... " +
                       (ahead ? "read ahead " : "") + "give\n" + got + "\ninstead of\n" + expected;
            }
        }
    }
    const std::size_t failAt = random() % (c.file.size() + 1);
    for (const bool ahead : {false, true}) {
        const std::string failed = Converted(c, cuts.back(), failAt, ahead);
        if (c.build.fieldCount > 0 &&
            !(failed.ends_with("#57") &&
              expected.starts_with(failed.substr(0, failed.size() - 3)))) {
            return "a read failure after " + std::to_string(failAt) + " bytes gives\n" + failed;
        }
    }
    return "";
}

} // namespace quorvane::test
