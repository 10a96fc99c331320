#include "quorvane/cli/tag_command.h"

#include "error_output.h"
#include "quorvane/app_info.h"
#include "quorvane/cli/option_parser.h"
#include "quorvane/cli/usage_error.h"
#include "quorvane/tag/convert.h"
#include "quorvane/tag/file_sink.h"
#include "quorvane/tag/files.h"
#include "quorvane/tag/table_output.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/threaded_sink.h"

#include <exception>
#include <filesystem>
#include <new>

namespace quorvane::cli {
namespace {

constexpr char kProgram[] = "quorvane-tag";

// One line on standard error; a failure to write it has nowhere to go.
void Report(const std::string& message) noexcept {
    try {
        WriteError(std::string(kProgram) + ": " + message + "\n");
    } catch (...) {
    }
}

// A path from UTF-8 text: Windows takes a narrow string for the ANSI code
// page, so the text goes in as UTF-8 explicitly.
std::filesystem::path PathOf(const std::string& utf8) {
    return std::filesystem::path(std::u8string(utf8.begin(), utf8.end()));
}

// The title of a document: the input file's name.
std::string Title(const std::string& input) {
    if (input == "-") {
        return "standard input";
    }
    const std::u8string name = PathOf(input).filename().u8string();
    return std::string(name.begin(), name.end());
}

void Print(const std::string& text) {
    auto out = tag::OutputFile::StandardOutput();
    out.Write(text);
}

} // namespace

int TagCommand::Main(const std::vector<std::string>& args) noexcept {
    try {
        return Run(args);
    } catch (const std::bad_alloc&) {
        Report("out of memory");
    } catch (const std::exception& error) {
        Report(UsageError::Printable(error.what()));
    } catch (...) {
        Report("unexpected failure");
    }
    return kFailure;
}

int TagCommand::Run(const std::vector<std::string>& args) {
    Options options;
    try {
        options = OptionParser::Parse(args);
    } catch (const UsageError& error) {
        Report(std::string(error.what()) + " (see " + kProgram + " --help)");
        return kUsage;
    }
    switch (options.action) {
    case Options::Action::Help:
        Print(OptionParser::Usage());
        return kSuccess;
    case Options::Action::Version:
        Print(std::string(kProgram) + ' ' + app::kVersionText + '\n');
        return kSuccess;
    case Options::Action::Convert:
        break;
    }
    return TagCommand(options).Convert();
}

int TagCommand::Convert() const {
    // -o - is standard output, as - is standard input.
    const bool toFile = m_options.output.value_or("-") != "-";
    try {
        tag::InputFile input = m_options.input == "-" ? tag::InputFile::StandardInput()
                                                      : tag::InputFile(PathOf(m_options.input));
        tag::OutputFile out =
            toFile ? tag::OutputFile(PathOf(*m_options.output)) : tag::OutputFile::StandardOutput();
        tag::FileSink file(out);
        tag::ThreadedSink bytes(file);
        tag::TableOutput sink(m_options.table.output, Title(m_options.input), bytes);
        const tag::TableOptions& table = m_options.table;
        // A regular file is read ahead: its reads never wait.
        tag::ReadOptions read = table.read;
        read.readAhead = input.Size() > 0;
        tag::Convert(input, read, table.Build(m_options.fieldCount, m_options.styleRows), sink);
        sink.Finish();
        bytes.Finish();
        out.Commit();
        return kSuccess;
    } catch (const tag::TagError& error) {
        const bool writing = error.code() == tag::ErrorCode::WriteFailed;
        const std::string name =
            writing ? (toFile ? *m_options.output : "standard output")
                    : (m_options.input == "-" ? "standard input" : m_options.input);
        Report(UsageError::Printable(name) + ": " + error.what());
    } catch (const std::bad_alloc&) {
        Report(UsageError::Printable(m_options.input) + ": out of memory");
    }
    return kFailure;
}

} // namespace quorvane::cli
