#include "quorvane/cli/tag_command.h"

#include <windows.h>

#include <string>
#include <vector>

// quorvane-tag.exe: Windows hands the arguments over as UTF-16; they become
// UTF-8 here, once, and the command sees them as on every other system.
namespace {

// An unpaired surrogate, which no file name in UTF-8 can carry, becomes U+FFFD.
std::string Utf8(const wchar_t* text) {
    const int size = WideCharToMultiByte(CP_UTF8, 0, text, -1, nullptr, 0, nullptr, nullptr);
    std::string bytes(size > 0 ? static_cast<std::size_t>(size) : 1, '\0');
    WideCharToMultiByte(CP_UTF8, 0, text, -1, bytes.data(), size, nullptr, nullptr);
    bytes.pop_back(); // the terminating null
    return bytes;
}

} // namespace

int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(Utf8(argv[i]));
    }
    return quorvane::cli::TagCommand::Main(args);
}
