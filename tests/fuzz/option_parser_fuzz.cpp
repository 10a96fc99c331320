// The option parser over arbitrary argument lists: the bytes split at NUL
// bytes into arguments. A list is either refused with a one-line usage error
// or gives options within their ranges that, written back as a command line
// in one canonical form, parse to the same options again.
#include "fuzz_check.h"
#include "quorvane/cli/option_parser.h"
#include "quorvane/cli/usage_error.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::fuzz {
namespace {

using cli::OptionParser;
using cli::Options;

std::vector<std::string> Split(const std::uint8_t* data, std::size_t size) {
    std::vector<std::string> args;
    if (size == 0) {
        return args;
    }
    args.emplace_back();
    for (std::size_t i = 0; i < size; ++i) {
        if (data[i] == 0) {
            args.emplace_back();
        } else {
            args.back() += static_cast<char>(data[i]);
        }
    }
    return args;
}

const char* EncodingName(tag::Encoding encoding) {
    switch (encoding) {
    case tag::Encoding::Auto:
        return "auto";
    case tag::Encoding::Cp932:
        return "cp932";
    case tag::Encoding::Utf8:
        return "utf-8";
    }
    Fail("unknown encoding", __FILE__, __LINE__);
}

std::vector<std::string> Canonical(const Options& options) {
    std::vector<std::string> args = {"--fields", std::to_string(options.fieldCount)};
    for (std::size_t c = 0; c < options.styleRows.size(); ++c) {
        if (!options.styleRows[c].empty()) {
            args.push_back("-a" + std::to_string(c + 1) + "=" + ToUtf8(options.styleRows[c]));
        }
    }
    args.push_back(std::string("--encoding=") + EncodingName(options.encoding));
    if (options.output) {
        args.insert(args.end(), {"-o", *options.output});
    }
    args.insert(args.end(), {"--", options.input});
    return args;
}

void CheckOptions(const Options& options) {
    QUORVANE_CHECK(options.fieldCount >= 1);
    QUORVANE_CHECK(options.styleRows.size() <= static_cast<std::size_t>(options.fieldCount));
    QUORVANE_CHECK(!options.output || !options.output->empty());
    for (const auto& row : options.styleRows) {
        // Attribute text arrives as UTF-8 and is kept as valid UTF-16.
        for (std::size_t i = 0; i < row.size(); ++i) {
            const bool high = row[i] >= 0xD800 && row[i] <= 0xDBFF;
            const bool low = row[i] >= 0xDC00 && row[i] <= 0xDFFF;
            QUORVANE_CHECK(!low);
            if (high) {
                QUORVANE_CHECK(i + 1 < row.size() && row[i + 1] >= 0xDC00 && row[i + 1] <= 0xDFFF);
                ++i;
            }
        }
    }
}

void Run(const std::vector<std::string>& args) {
    Options options;
    try {
        options = OptionParser::Parse(args);
    } catch (const cli::UsageError& error) {
        const std::string what = error.what();
        QUORVANE_CHECK(!what.empty());
        QUORVANE_CHECK(what.find('\n') == std::string::npos &&
                       what.find('\r') == std::string::npos);
        return;
    }
    if (options.action != Options::Action::Convert) {
        return;
    }
    CheckOptions(options);
    const Options again = OptionParser::Parse(Canonical(options));
    QUORVANE_CHECK(again.action == Options::Action::Convert);
    QUORVANE_CHECK(again.fieldCount == options.fieldCount);
    QUORVANE_CHECK(again.encoding == options.encoding);
    QUORVANE_CHECK(again.input == options.input);
    QUORVANE_CHECK(again.output == options.output);
    // Rows past the last attribute are empty either way.
    auto rows = again.styleRows;
    rows.resize(options.styleRows.size());
    QUORVANE_CHECK(rows == options.styleRows);
    QUORVANE_CHECK(again.styleRows.size() <= options.styleRows.size());
}

} // namespace
} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvane::fuzz::Run(quorvane::fuzz::Split(data, size));
    return 0;
}
