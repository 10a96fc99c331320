#include "quorvane/cli/option_parser.h"
#include "quorvane/cli/usage_error.h"

#include <gtest/gtest.h>

namespace quorvane::cli {
namespace {

TEST(OptionParser, DefaultsWithOneFile) {
    const Options options = OptionParser::Parse({"in.csv"});
    EXPECT_EQ(options.action, Options::Action::Convert);
    EXPECT_EQ(options.table.fieldCount, 1);
    EXPECT_TRUE(options.table.styleRows.empty());
    EXPECT_EQ(options.table.encoding, tag::Encoding::Auto);
    EXPECT_EQ(options.table.delimiter, ',');
    EXPECT_FALSE(options.table.headerRow || options.table.escape);
    EXPECT_EQ(options.table.tableAttribute, "");
    EXPECT_EQ(options.input, "in.csv");
    EXPECT_FALSE(options.output.has_value());
}

TEST(OptionParser, EveryOptionInEveryForm) {
    const Options options = OptionParser::Parse(
        {"-n", "4", "--attr=3=align=\"right\" x", "-a2=", "-a", "1= ", "--encoding", "cp932",
         "-oout.html", "--header", "--escape", "--table-attr", "-x", "-d;", "--", "-in.csv"});
    EXPECT_EQ(options.table.fieldCount, 4);
    EXPECT_EQ(options.table.styleRows, (std::vector<std::string>{" ", "", "align=\"right\" x"}));
    EXPECT_EQ(options.table.encoding, tag::Encoding::Cp932);
    EXPECT_EQ(options.output, "out.html");
    EXPECT_EQ(options.input, "-in.csv");
    EXPECT_TRUE(options.table.headerRow && options.table.escape);
    EXPECT_EQ(options.table.tableAttribute, "-x");
    EXPECT_EQ(options.table.delimiter, ';');
}

TEST(OptionParser, DelimiterAndEncodingNames) {
    const std::pair<const char*, char> delimiters[] = {
        {",", ','}, {"tab", '\t'}, {"\t", '\t'}, {";", ';'}, {"|", '|'}};
    for (const auto& [name, delimiter] : delimiters) {
        EXPECT_EQ(OptionParser::Parse({"--delimiter", name, "x"}).table.delimiter, delimiter)
            << name;
    }
    EXPECT_EQ(OptionParser::Parse({"-e", "utf-16", "x"}).table.encoding, tag::Encoding::Utf16);
}

TEST(OptionParser, LaterAttributeOfAColumnWins) {
    const Options options = OptionParser::Parse({"-n2", "-a", "1=a", "-a", "1=日本", "-"});
    EXPECT_EQ(options.table.styleRows, (std::vector<std::string>{"日本"}));
    EXPECT_EQ(options.input, "-");
    EXPECT_EQ(OptionParser::Parse({"--fields=32767", "-eutf-8", "x"}).table.fieldCount, 32767);
}

TEST(OptionParser, HelpAndVersion) {
    EXPECT_EQ(OptionParser::Parse({"--help"}).action, Options::Action::Help);
    EXPECT_EQ(OptionParser::Parse({"-h", "--bogus"}).action, Options::Action::Help);
    EXPECT_EQ(OptionParser::Parse({"--version"}).action, Options::Action::Version);
}

struct UsageCase {
    const char* name;
    std::vector<std::string> args;
    const char* message;
};

void PrintTo(const UsageCase& c, std::ostream* os) {
    *os << c.name;
}

const UsageCase kUsageCases[] = {
    {"NoFile", {}, "no input FILE"},
    {"TwoFiles", {"a", "b"}, "more than one"},
    {"UnknownLong", {"--colour", "x"}, "unknown option '--colour'"},
    {"UnknownShort", {"-x", "x"}, "unknown option '-x'"},
    {"MissingN", {"x", "-n"}, "--fields needs a value"},
    {"NonNumericN", {"-n", "three", "x"}, "'three'"},
    {"NTrailingText", {"-n", "3x", "x"}, "'3x'"},
    {"NZero", {"-n", "0", "x"}, "'0'"},
    {"NNegative", {"-n", "-2", "x"}, "'-2'"},
    {"NTooLarge", {"-n", "32768", "x"}, "'32768'"},
    {"AttrWithoutEquals", {"-a", "1", "x"}, "COL=TEXT"},
    {"AttrColumnZero", {"-a", "0=x", "x"}, "'0'"},
    {"AttrColumnText", {"-a", "c=x", "x"}, "'c'"},
    {"AttrColumnBeyondN", {"-n", "2", "-a", "3=x", "x"}, "column 3 is outside 1..2"},
    {"AttrColumnBeyondDefaultN", {"-a", "2=x", "x"}, "outside 1..1"},
    {"BadEncoding", {"-e", "latin1", "x"}, "'latin1'"},
    {"UnknownDelimiter", {"-d", ":", "x"}, "delimiter ':' is not one of , tab ; |"},
    {"TwoCharacterDelimiter", {"--delimiter=,,", "x"}, "delimiter ',,'"},
    {"MissingDelimiter", {"x", "-d"}, "--delimiter needs a value"},
    {"HeaderWithValue", {"--header=yes", "x"}, "takes no value"},
    {"EmptyOutput", {"-o", "", "x"}, "--output needs a file name"},
    {"VersionWithValue", {"--version=1"}, "takes no value"},
    // The message stays on one line whatever was typed.
    {"ControlCharacterEscaped", {"-n", "1\r\n", "x"}, "'1\\x0d\\x0a'"},
};

class UsageCases : public testing::TestWithParam<UsageCase> {};

TEST_P(UsageCases, AreUsageErrors) {
    try {
        OptionParser::Parse(GetParam().args);
        FAIL() << "accepted";
    } catch (const UsageError& error) {
        EXPECT_NE(std::string(error.what()).find(GetParam().message), std::string::npos)
            << error.what();
    }
}

INSTANTIATE_TEST_SUITE_P(Bad, UsageCases, testing::ValuesIn(kUsageCases),
                         [](const auto& info) { return std::string(info.param.name); });

} // namespace
} // namespace quorvane::cli
