#include "quorvane/cli/tag_command.h"

#include "quorvane/app_info.h"
#include "quorvane/cli/option_parser.h"
#include "quorvane/cli/usage_error.h"
#include "quorvane/tag/field_reader.h"
#include "quorvane/tag/file_byte_source.h"
#include "quorvane/tag/table_builder.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/utf8_file_sink.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <iostream>
#include <sys/stat.h>
#include <unistd.h>

namespace quorvane::cli {
namespace {

constexpr char kProgram[] = "quorvane-tag";

// Removes the temporary output file unless the conversion got through.
class TemporaryFile final {
public:
    explicit TemporaryFile(const std::string& target)
        : m_name(target + ".XXXXXX") {
        m_fd = ::mkstemp(m_name.data());
        if (m_fd < 0) {
            throw tag::TagError(tag::ErrorCode::WriteFailed, std::strerror(errno));
        }
        const mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(m_fd, 0666 & ~mask);
    }
    ~TemporaryFile() {
        if (m_fd >= 0) {
            ::close(m_fd);
            ::unlink(m_name.c_str());
        }
    }
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;

    int fd() const { return m_fd; }

    void MoveTo(const std::string& target) {
        const int fd = m_fd;
        m_fd = -1;
        if (::close(fd) != 0 || ::rename(m_name.c_str(), target.c_str()) != 0) {
            const int error = errno;
            ::unlink(m_name.c_str());
            throw tag::TagError(tag::ErrorCode::WriteFailed, std::strerror(error));
        }
    }

private:
    std::string m_name;
    int m_fd = -1;
};

} // namespace

int TagCommand::Main(const std::vector<std::string>& args) {
    Options options;
    try {
        options = OptionParser::Parse(args);
    } catch (const UsageError& error) {
        std::cerr << kProgram << ": " << error.what() << " (see " << kProgram << " --help)\n";
        return kUsage;
    }
    switch (options.action) {
    case Options::Action::Help:
        std::cout << OptionParser::Usage();
        return kSuccess;
    case Options::Action::Version:
        std::cout << kProgram << ' ' << app::kVersionText << '\n';
        return kSuccess;
    case Options::Action::Convert:
        break;
    }
    return TagCommand(options).Convert();
}

int TagCommand::Convert() const {
    try {
        if (m_options.output) {
            ConvertToFile(*m_options.output);
        } else {
            ConvertTo(STDOUT_FILENO);
        }
        return kSuccess;
    } catch (const tag::TagError& error) {
        const bool writing = error.code() == tag::ErrorCode::WriteFailed;
        const std::string name =
            writing ? m_options.output.value_or("standard output")
                    : (m_options.input == "-" ? "standard input" : m_options.input);
        std::cerr << kProgram << ": " << UsageError::Printable(name) << ": " << error.what()
                  << '\n';
    } catch (const std::bad_alloc&) {
        std::cerr << kProgram << ": " << UsageError::Printable(m_options.input)
                  << ": out of memory\n";
    }
    return kFailure;
}

void TagCommand::ConvertTo(int fd) const {
    tag::FieldReader reader(m_options.encoding);
    if (m_options.input == "-") {
        reader.Open(std::make_unique<tag::FileByteSource>(STDIN_FILENO, false));
    } else {
        reader.Open(std::filesystem::path(m_options.input));
    }
    tag::Utf8FileSink sink(fd);
    sink.Append(u"<table>");
    tag::Build(reader, m_options.fieldCount, m_options.styleRows, sink);
    reader.Close();
    sink.Flush();
}

void TagCommand::ConvertToFile(const std::string& path) const {
    TemporaryFile file(path);
    ConvertTo(file.fd());
    file.MoveTo(path);
}

} // namespace quorvane::cli
