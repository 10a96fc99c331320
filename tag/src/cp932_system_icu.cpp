#include "cp932_system.h"

#include "quorvane/tag/tag_error.h"

#include <memory>
#include <unicode/ucnv.h>
#include <unicode/ucnv_cb.h>
#include <vector>

namespace quorvane::tag {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

// Written for each sequence that is not a defined character: no byte pair
// of the code page stands for it.
constexpr UChar kFailed = 0xFFFF;

void WriteFailed(const void*, UConverterToUnicodeArgs* args, const char*, int32_t,
                 UConverterCallbackReason reason, UErrorCode* status) {
    if (reason <= UCNV_IRREGULAR) {
        *status = U_ZERO_ERROR;
        ucnv_cbToUWriteUChars(args, &kFailed, 1, 0, status);
    }
}

Converter Open(UConverterToUCallback onError) {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open("windows-31j", &status));
    if (U_SUCCESS(status)) {
        ucnv_setToUCallBack(converter.get(), onError, nullptr, nullptr, nullptr, &status);
    }
    if (U_FAILURE(status)) {
        throw TagError(ErrorCode::OpenFailed, "code page 932 converter not available");
    }
    return converter;
}

// The one UTF-16 unit ICU gives for `bytes`, or kNoCharacter.
char16_t Lookup(UConverter* converter, const char* bytes, int32_t length) {
    UChar out[4];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetToUnicode(converter);
    const int32_t n = ucnv_toUChars(converter, out, 4, bytes, length, &status);
    if (U_FAILURE(status) || n != 1) {
        return kNoCharacter;
    }
    return static_cast<char16_t>(out[0]);
}

// The code page's bytes for the one unit `c`, or kNoCode.
std::uint16_t Code(UConverter* converter, UChar c) {
    char out[4];
    UErrorCode status = U_ZERO_ERROR;
    ucnv_resetFromUnicode(converter);
    const int32_t n = ucnv_fromUChars(converter, out, 4, &c, 1, &status);
    return U_FAILURE(status) ? kNoCode : PackedCode(out, n);
}

// Every lead byte before every trail byte, each pair on a line of its own,
// in one conversion: a line end is no trail byte, so each pair's line holds
// what ICU makes of that pair alone, and a pair is a character when its
// line is one unit that is not kFailed.
void LookupPairs(std::vector<char16_t>& table) {
    std::vector<char> bytes;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            bytes.insert(bytes.end(), {static_cast<char>(lead), static_cast<char>(trail), '\n'});
        }
    }
    std::vector<UChar> units(bytes.size() * 2);
    UErrorCode status = U_ZERO_ERROR;
    const Converter converter = Open(WriteFailed);
    const int32_t n =
        ucnv_toUChars(converter.get(), units.data(), static_cast<int32_t>(units.size()),
                      bytes.data(), static_cast<int32_t>(bytes.size()), &status);
    if (U_FAILURE(status)) {
        throw TagError(ErrorCode::OpenFailed, "code page 932 converter failed");
    }
    std::size_t line = 0;
    for (int32_t k = 0; k < n; ++line) {
        int32_t end = k;
        while (end < n && units[end] != u'\n') {
            ++end;
        }
        if (end == n || 3 * line >= bytes.size()) {
            throw TagError(ErrorCode::OpenFailed, "code page 932 converter failed");
        }
        const unsigned lead = static_cast<unsigned char>(bytes[3 * line]);
        const unsigned trail = static_cast<unsigned char>(bytes[3 * line + 1]);
        const bool one = end == k + 1 && units[k] != kFailed;
        table[lead << 8 | trail] = one ? static_cast<char16_t>(units[k]) : kNoCharacter;
        k = end + 1;
    }
}

} // namespace

// ICU's windows-31j, with each undefined byte or pair failing, is the code
// page as Windows decodes it.
std::vector<char16_t> LoadSystemCp932() {
    std::vector<char16_t> table(65536, kNoCharacter);
    const Converter converter = Open(UCNV_TO_U_CALLBACK_STOP);
    for (int b = 0; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        table[b] = Lookup(converter.get(), &byte, 1);
    }
    LookupPairs(table);
    return table;
}

// Conversion stops at the first character the code page lacks; fallbacks
// (best fits) are off by default.
std::vector<std::uint16_t> LoadSystemCp932Codes() {
    const Converter converter = Open(UCNV_TO_U_CALLBACK_STOP);
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    if (U_FAILURE(status)) {
        throw TagError(ErrorCode::OpenFailed, "code page 932 converter not available");
    }
    std::vector<std::uint16_t> codes(65536, kNoCode);
    for (unsigned c = 0; c < 0x10000; ++c) {
        if (c < 0xD800 || c > 0xDFFF) {
            codes[c] = Code(converter.get(), static_cast<UChar>(c));
        }
    }
    return codes;
}

} // namespace quorvane::tag
