#include "quorvane/win/wide.h"

#include "quorvane/window/utf8.h"

#include <windows.h>

#include <limits>
#include <stdexcept>

namespace quorvane::win {

std::wstring wide(std::string_view utf8) {
    std::wstring out(window::utf8::utf16Units(utf8), L'\0');
    window::utf8::writeUtf16(utf8, reinterpret_cast<char16_t*>(out.data()));
    return out;
}

std::string narrow(std::wstring_view utf16) {
    if (utf16.empty()) {
        return {};
    }
    if (utf16.size() > static_cast<std::size_t>(std::numeric_limits<int>::max() / 3)) {
        throw std::length_error("text too long");
    }
    const int units = static_cast<int>(utf16.size());
    std::string out(static_cast<std::size_t>(units) * 3, '\0');
    const int bytes = WideCharToMultiByte(CP_UTF8, 0, utf16.data(), units, out.data(),
                                          static_cast<int>(out.size()), nullptr, nullptr);
    out.resize(static_cast<std::size_t>(bytes));
    return out;
}

} // namespace quorvane::win
