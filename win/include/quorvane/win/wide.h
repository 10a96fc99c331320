#pragma once

#include <windows.h>

#include <string>
#include <string_view>

namespace quorvane::win {

// UTF-8 text as the Windows API's UTF-16, and back, by the core's one
// conversion: what does not decode becomes U+FFFD.
std::wstring wide(std::string_view utf8);
std::string narrow(std::wstring_view utf16);
// A window's text, a control's caption or contents, as UTF-8.
std::string windowText(HWND window);

} // namespace quorvane::win
