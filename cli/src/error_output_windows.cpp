#include "error_output.h"

#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/utf16.h"

#include <windows.h>

#include <string>

// A console shows UTF-16 text: UTF-8 bytes would be read in its code page.
// Anything else (a file, a pipe) gets the bytes as they are.
namespace quorvane::cli {

void WriteError(std::string_view utf8) {
    HANDLE console = GetStdHandle(STD_ERROR_HANDLE);
    DWORD mode = 0;
    if (!GetConsoleMode(console, &mode)) {
        tag::OutputFile::StandardError().Write(utf8);
        return;
    }
    const std::wstring text = tag::WideFromUtf8(utf8);
    std::wstring_view rest = text;
    while (!rest.empty()) {
        DWORD wrote = 0;
        if (!WriteConsoleW(console, rest.data(), static_cast<DWORD>(rest.size()), &wrote,
                           nullptr) ||
            wrote == 0) {
            throw tag::TagError(tag::ErrorCode::WriteFailed, "cannot write to the console");
        }
        rest.remove_prefix(wrote);
    }
}

} // namespace quorvane::cli
