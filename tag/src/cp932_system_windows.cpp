#include "cp932_system.h"

#include "quorvane/tag/tag_error.h"

#include <windows.h>

// Code page 932 as this Windows decodes it: the system converter is asked
// once for every single byte and every byte pair with a lead byte.
namespace quorvane::tag {
namespace {

constexpr UINT kCodePage = 932;

// The one UTF-16 unit the system gives for `bytes`, or kNoCharacter.
char16_t Decode(const char* bytes, int length) {
    wchar_t out[2];
    const int units = MultiByteToWideChar(kCodePage, MB_ERR_INVALID_CHARS, bytes, length, out, 2);
    return units == 1 ? static_cast<char16_t>(out[0]) : kNoCharacter;
}

// The bytes the system gives for the one unit `c` without a best fit or the
// default character, or kNoCode.
std::uint16_t Encode(wchar_t c) {
    char out[2];
    BOOL usedDefault = FALSE;
    const int n =
        WideCharToMultiByte(kCodePage, WC_NO_BEST_FIT_CHARS, &c, 1, out, 2, nullptr, &usedDefault);
    return usedDefault ? kNoCode : PackedCode(out, n);
}

} // namespace

std::vector<char16_t> LoadSystemCp932() {
    if (!IsValidCodePage(kCodePage)) {
        throw TagError(ErrorCode::OpenFailed, "code page 932 converter not available");
    }
    std::vector<char16_t> table(0x10000, kNoCharacter);
    for (unsigned byte = 0; byte <= 0xFF; ++byte) {
        const char single = static_cast<char>(byte);
        if (!IsDBCSLeadByteEx(kCodePage, static_cast<BYTE>(byte))) {
            // The converter gives 0x80 as U+0080 and 0xA0, 0xFD to 0xFF as
            // private-use characters; the published code page leaves them
            // undefined, as other systems do.
            const bool defined = byte < 0x80 || (byte >= 0xA1 && byte <= 0xDF);
            table[byte] = defined ? Decode(&single, 1) : kNoCharacter;
            continue;
        }
        for (unsigned trail = 0; trail <= 0xFF; ++trail) {
            const char pair[2] = {single, static_cast<char>(trail)};
            table[byte << 8 | trail] = Decode(pair, 2);
        }
    }
    return table;
}

std::vector<std::uint16_t> LoadSystemCp932Codes() {
    if (!IsValidCodePage(kCodePage)) {
        throw TagError(ErrorCode::OpenFailed, "code page 932 converter not available");
    }
    std::vector<std::uint16_t> codes(0x10000, kNoCode);
    for (unsigned c = 0; c < 0x10000; ++c) {
        if (c < 0xD800 || c > 0xDFFF) {
            codes[c] = Encode(static_cast<wchar_t>(c));
        }
    }
    return codes;
}

} // namespace quorvane::tag
