#include "quorvane/win/wide.h"

#include "quorvane/tag/utf16.h"

namespace quorvane::win {

std::wstring wide(std::string_view utf8) {
    return tag::WideFromUtf8(utf8);
}

std::string narrow(std::wstring_view utf16) {
    return tag::Utf8FromWide(utf16);
}

} // namespace quorvane::win
