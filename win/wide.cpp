#include "quorvane/win/wide.h"

#include "quorvane/tag/utf16.h"

namespace quorvane::win {

std::wstring wide(std::string_view utf8) {
    return tag::WideFromUtf8(utf8);
}

std::string narrow(std::wstring_view utf16) {
    return tag::Utf8FromWide(utf16);
}

std::string windowText(HWND window) {
    std::wstring text(static_cast<std::size_t>(GetWindowTextLengthW(window)) + 1, L'\0');
    text.resize(static_cast<std::size_t>(
        GetWindowTextW(window, text.data(), static_cast<int>(text.size()))));
    return narrow(text);
}

} // namespace quorvane::win
