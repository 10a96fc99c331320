#include "cp932_system.h"

#include "quorvane/tag/tag_error.h"

#include <memory>
#include <unicode/ucnv.h>

namespace quorvane::tag {
namespace {

struct ConverterCloser {
    void operator()(UConverter* c) const { ucnv_close(c); }
};

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

} // namespace

// ICU's windows-31j, with conversion stopped at the first undefined byte, is
// the code page as Windows decodes it.
std::vector<char16_t> LoadSystemCp932() {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> converter(ucnv_open("windows-31j", &status));
    if (U_SUCCESS(status)) {
        ucnv_setToUCallBack(converter.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr,
                            &status);
    }
    if (U_FAILURE(status)) {
        throw TagError(ErrorCode::OpenFailed, "code page 932 converter not available");
    }
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

} // namespace quorvane::tag
