#pragma once

#include "quorvane/cli/options.h"

#include <string>
#include <string_view>
#include <vector>

// Turns the arguments after the program name into Options; fails with
// UsageError. Takes -n/--fields N, -a/--attr COL=TEXT (repeatable),
// -e/--encoding auto|cp932|utf-8|utf-16, -d/--delimiter ,|tab|;||,
// --header, --escape, --table-attr TEXT, --document, --output-encoding
// utf-8|cp932, -o/--output FILE, -h/--help, --version,
// "--" and exactly one FILE ("-" for standard input). Short options take
// their value attached or as the next argument, long ones after "=" or as the
// next argument.
namespace quorvane::cli {

class OptionParser final {
public:
    static Options Parse(const std::vector<std::string>& args);
    static std::string Usage();

private:
    explicit OptionParser(const std::vector<std::string>& args)
        : m_args(args) {}

    Options Run();
    bool TakeOption(std::string_view arg);
    bool* Flag(std::string_view name);
    std::string Value(std::string_view name, std::string_view attached, bool hasAttached);
    void SetFieldCount(const std::string& text);
    void AddAttribute(const std::string& text);
    void SetEncoding(const std::string& text);
    void SetDelimiter(const std::string& text);
    void SetOutputEncoding(const std::string& text);
    void Check();

    const std::vector<std::string>& m_args;
    std::size_t m_next = 0;
    Options m_options;
    std::vector<std::string> m_files;
    // (column, text) in the order given; checked once N is known.
    std::vector<std::pair<long, std::string>> m_attributes;
};

} // namespace quorvane::cli
