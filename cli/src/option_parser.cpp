#include "quorvane/cli/option_parser.h"

#include "quorvane/cli/usage_error.h"

#include <algorithm>
#include <charconv>

namespace quorvane::cli {
namespace {

constexpr long kMaxFields = 32767;

// A whole decimal number and nothing else, or -1.
long ParseNumber(std::string_view text) {
    long value = -1;
    const auto* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text.front() == '-' || error != std::errc() || stop != end) {
        return -1;
    }
    return value;
}

} // namespace

Options OptionParser::Parse(const std::vector<std::string>& args) {
    return OptionParser(args).Run();
}

std::string OptionParser::Usage() {
    return "Usage: quorvane-tag [OPTIONS] FILE\n"
           "Writes the HTML table text of the CSV file FILE (- for standard input)\n"
           "to standard output, lines separated by CR LF.\n"
           "\n"
           "  -n, --fields N        fields per table row, 1 to 32767 (default 1)\n"
           "  -a, --attr COL=TEXT   attribute text of column COL (1-based) for every\n"
           "                        cell of that column; repeatable\n"
           "  -e, --encoding ENC    auto, cp932, utf-8 or utf-16 (default auto; auto\n"
           "                        takes UTF-16 by its byte order mark)\n"
           "  -d, --delimiter D     field delimiter: , (default), tab (or a literal\n"
           "                        tab), ; or |\n"
           "      --header          the first table row's cells are <th> cells\n"
           "      --escape          write & < > \" ' in field text as &amp; &lt; &gt;\n"
           "                        &quot; &#39;\n"
           "      --table-attr TEXT attribute text of the table: <table TEXT>\n"
           "      --document        write a complete HTML document around the table,\n"
           "                        titled with FILE's name\n"
           "      --output-encoding ENC\n"
           "                        utf-8 (default) or cp932; in cp932 a character\n"
           "                        it lacks becomes a reference such as &#x1F600;\n"
           "  -o, --output FILE     write to FILE instead of standard output (- is\n"
           "                        standard output)\n"
           "  -h, --help            show this help and exit\n"
           "      --version         show the version and exit\n"
           "\n"
           "Example: quorvane-tag -n 3 -d tab --header --escape -o list.html list.txt\n"
           "\n"
           "Exit status: 0 done, 1 conversion failed, 2 usage error.\n";
}

Options OptionParser::Run() {
    bool optionsEnded = false;
    while (m_next < m_args.size()) {
        const std::string& arg = m_args[m_next++];
        if (optionsEnded || arg.size() < 2 || arg.front() != '-') {
            m_files.push_back(arg);
        } else if (arg == "--") {
            optionsEnded = true;
        } else if (!TakeOption(arg)) {
            return m_options;
        }
    }
    Check();
    return m_options;
}

// The option that takes no value and sets a flag, or nullptr.
bool* OptionParser::Flag(std::string_view name) {
    tag::TableOptions& table = m_options.table;
    return name == "header"     ? &table.headerRow
           : name == "escape"   ? &table.escape
           : name == "document" ? &table.output.document
                                : nullptr;
}

// Returns false when the option ends parsing (help, version).
bool OptionParser::TakeOption(std::string_view arg) {
    std::string_view name;
    std::string_view attached;
    bool hasAttached = false;
    if (arg.starts_with("--")) {
        const std::size_t equals = arg.find('=');
        name =
            arg.substr(2, equals == std::string_view::npos ? std::string_view::npos : equals - 2);
        hasAttached = equals != std::string_view::npos;
        attached = hasAttached ? arg.substr(equals + 1) : std::string_view();
    } else {
        const char letter = arg[1];
        static constexpr std::pair<char, std::string_view> kShort[] = {
            {'n', "fields"},    {'a', "attr"},   {'e', "encoding"},
            {'d', "delimiter"}, {'o', "output"}, {'h', "help"}};
        const auto* it = std::find_if(std::begin(kShort), std::end(kShort),
                                      [letter](const auto& p) { return p.first == letter; });
        if (it == std::end(kShort)) {
            throw UsageError("unknown option '" + std::string(arg) + "'");
        }
        name = it->second;
        hasAttached = arg.size() > 2;
        attached = arg.substr(2);
    }
    bool* flag = Flag(name);
    if (flag != nullptr || name == "help" || name == "version") {
        if (hasAttached) {
            throw UsageError("option '" + std::string(arg) + "' takes no value");
        }
        if (flag != nullptr) {
            *flag = true;
            return true;
        }
        m_options.action = name == "help" ? Options::Action::Help : Options::Action::Version;
        return false;
    }
    if (name == "fields") {
        SetFieldCount(Value(name, attached, hasAttached));
    } else if (name == "attr") {
        AddAttribute(Value(name, attached, hasAttached));
    } else if (name == "encoding") {
        SetEncoding(Value(name, attached, hasAttached));
    } else if (name == "delimiter") {
        SetDelimiter(Value(name, attached, hasAttached));
    } else if (name == "output-encoding") {
        SetOutputEncoding(Value(name, attached, hasAttached));
    } else if (name == "table-attr") {
        m_options.table.tableAttribute = Value(name, attached, hasAttached);
    } else if (name == "output") {
        m_options.output = Value(name, attached, hasAttached);
        if (m_options.output->empty()) {
            throw UsageError("option --output needs a file name");
        }
    } else {
        throw UsageError("unknown option '" + std::string(arg) + "'");
    }
    return true;
}

std::string OptionParser::Value(std::string_view name, std::string_view attached,
                                bool hasAttached) {
    if (hasAttached) {
        return std::string(attached);
    }
    if (m_next >= m_args.size()) {
        throw UsageError("option --" + std::string(name) + " needs a value");
    }
    return m_args[m_next++];
}

void OptionParser::SetFieldCount(const std::string& text) {
    const long value = ParseNumber(text);
    if (value < 1 || value > kMaxFields) {
        throw UsageError("field count '" + text + "' is not a whole number from 1 to 32767");
    }
    m_options.fieldCount = static_cast<std::int16_t>(value);
}

void OptionParser::AddAttribute(const std::string& text) {
    const std::size_t equals = text.find('=');
    if (equals == std::string::npos) {
        throw UsageError("attribute '" + text + "' is not of the form COL=TEXT");
    }
    const long column = ParseNumber(std::string_view(text).substr(0, equals));
    if (column < 1) {
        throw UsageError("attribute column '" + text.substr(0, equals) +
                         "' is not a whole number from 1 up");
    }
    m_attributes.emplace_back(column, text.substr(equals + 1));
}

void OptionParser::SetEncoding(const std::string& text) {
    if (text == "auto") {
        m_options.table.read.encoding = tag::Encoding::Auto;
    } else if (text == "cp932") {
        m_options.table.read.encoding = tag::Encoding::Cp932;
    } else if (text == "utf-8") {
        m_options.table.read.encoding = tag::Encoding::Utf8;
    } else if (text == "utf-16") {
        m_options.table.read.encoding = tag::Encoding::Utf16;
    } else {
        throw UsageError("encoding '" + text + "' is not one of auto, cp932, utf-8, utf-16");
    }
}

void OptionParser::SetOutputEncoding(const std::string& text) {
    if (text == "utf-8" || text == "cp932") {
        m_options.table.output.encoding =
            text == "cp932" ? tag::OutputEncoding::Cp932 : tag::OutputEncoding::Utf8;
    } else {
        throw UsageError("output encoding '" + text + "' is not one of utf-8, cp932");
    }
}

void OptionParser::SetDelimiter(const std::string& text) {
    if (text == "," || text == "tab" || text == "\t" || text == ";" || text == "|") {
        m_options.table.read.delimiter = text == "tab" ? '\t' : text.front();
    } else {
        throw UsageError("delimiter '" + text + "' is not one of , tab ; |");
    }
}

void OptionParser::Check() {
    if (m_files.empty()) {
        throw UsageError("no input FILE given");
    }
    if (m_files.size() > 1) {
        throw UsageError("more than one input FILE given");
    }
    m_options.input = m_files.front();
    for (const auto& [column, text] : m_attributes) {
        if (column > m_options.fieldCount) {
            throw UsageError("attribute column " + std::to_string(column) + " is outside 1.." +
                             std::to_string(m_options.fieldCount));
        }
        auto& rows = m_options.styleRows;
        rows.resize(std::max(rows.size(), static_cast<std::size_t>(column)));
        rows[static_cast<std::size_t>(column - 1)] = text;
    }
}

} // namespace quorvane::cli
