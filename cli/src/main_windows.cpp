#include "quorvane/cli/tag_command.h"
#include "quorvane/tag/utf16.h"

#include <string>
#include <vector>

// quorvane-tag.exe: Windows hands the arguments over as UTF-16; they become
// UTF-8 here, once, and the command sees them as on every other system. An
// unpaired surrogate, which no file name in UTF-8 can carry, becomes U+FFFD.
int wmain(int argc, wchar_t** argv) {
    std::vector<std::string> args;
    for (int i = 1; i < argc; ++i) {
        args.push_back(quorvane::tag::Utf8FromWide(argv[i]));
    }
    return quorvane::cli::TagCommand::Main(args);
}
