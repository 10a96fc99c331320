#include "error_output.h"

#include "quorvane/tag/files.h"

namespace quorvane::cli {

void WriteError(std::string_view utf8) {
    tag::OutputFile::StandardError().Write(utf8);
}

} // namespace quorvane::cli
