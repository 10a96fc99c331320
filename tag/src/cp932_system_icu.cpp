#include "cp932_system.h"

#include "quorvane/tag/tag_error.h"

#include <memory>
#include <unicode/ucnv.h>

namespace quorvane::tag {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};
using Converter = std::unique_ptr<UConverter, ConverterCloser>;

void Require(UErrorCode status) {
    if (U_FAILURE(status)) {
        throw TagError(ErrorCode::OpenFailed, "code page 932 converter not available");
    }
}

// ICU's windows-31j is the code page as Windows has it.
Converter Open() {
    UErrorCode status = U_ZERO_ERROR;
    Converter converter(ucnv_open("windows-31j", &status));
    Require(status);
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

} // namespace

// Conversion stops at the first undefined byte.
std::vector<char16_t> LoadSystemCp932() {
    const Converter converter = Open();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                        &status);
    Require(status);
    std::vector<char16_t> table(65536, kNoCharacter);
    for (int b = 0; b <= 0xFF; ++b) {
        const char byte = static_cast<char>(b);
        table[b] = Lookup(converter.get(), &byte, 1);
    }
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            const char pair[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            table[(lead << 8) | trail] = Lookup(converter.get(), pair, 2);
        }
    }
    return table;
}

// Conversion stops at the first character the code page lacks; fallbacks
// (best fits) are off by default.
std::vector<std::uint16_t> LoadSystemCp932Codes() {
    const Converter converter = Open();
    UErrorCode status = U_ZERO_ERROR;
    ucnv_setFromUCallBack(converter.get(), UCNV_FROM_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                          &status);
    Require(status);
    std::vector<std::uint16_t> codes(65536, kNoCode);
    for (unsigned c = 0; c < 0x10000; ++c) {
        if (c < 0xD800 || c > 0xDFFF) {
            codes[c] = Code(converter.get(), static_cast<UChar>(c));
        }
    }
    return codes;
}

} // namespace quorvane::tag
