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
    case tag::Encoding::Utf16:
        return "utf-16";
    }
    Fail("unknown encoding", __FILE__, __LINE__);
}

std::vector<std::string> Canonical(const Options& options) {
    std::vector<std::string> args = {"--fields", std::to_string(options.table.fieldCount)};
    for (std::size_t c = 0; c < options.table.styleRows.size(); ++c) {
        if (!options.table.styleRows[c].empty()) {
            args.push_back("-a" + std::to_string(c + 1) + "=" + options.table.styleRows[c]);
        }
    }
    args.push_back(std::string("--encoding=") + EncodingName(options.table.encoding));
    args.push_back(std::string("-d") + options.table.delimiter);
    args.push_back("--table-attr=" + options.table.tableAttribute);
    for (const auto& [on, name] : {std::pair{options.table.headerRow, "--header"},
                                   std::pair{options.table.escape, "--escape"}}) {
        if (on) {
            args.push_back(name);
        }
    }
    if (options.output) {
        args.insert(args.end(), {"-o", *options.output});
    }
    args.insert(args.end(), {"--", options.input});
    return args;
}

void CheckOptions(const Options& options) {
    QUORVANE_CHECK(options.table.fieldCount >= 1);
    QUORVANE_CHECK(options.table.styleRows.size() <=
                   static_cast<std::size_t>(options.table.fieldCount));
    QUORVANE_CHECK(!options.output || !options.output->empty());
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
    QUORVANE_CHECK(again.table.fieldCount == options.table.fieldCount);
    QUORVANE_CHECK(again.table.encoding == options.table.encoding);
    QUORVANE_CHECK(again.table.delimiter == options.table.delimiter);
    QUORVANE_CHECK(again.table.tableAttribute == options.table.tableAttribute);
    QUORVANE_CHECK(again.table.headerRow == options.table.headerRow);
    QUORVANE_CHECK(again.table.escape == options.table.escape);
    QUORVANE_CHECK(again.input == options.input);
    QUORVANE_CHECK(again.output == options.output);
    // Rows past the last attribute are empty either way.
    auto rows = again.table.styleRows;
    rows.resize(options.table.styleRows.size());
    QUORVANE_CHECK(rows == options.table.styleRows);
    QUORVANE_CHECK(again.table.styleRows.size() <= options.table.styleRows.size());
}

} // namespace
} // namespace quorvane::fuzz

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    quorvane::fuzz::Run(quorvane::fuzz::Split(data, size));
    return 0;
}
