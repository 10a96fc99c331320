#include "quorvane/tag/save_table.h"

#include "quorvane/tag/file_sink.h"
#include "quorvane/tag/files.h"
#include "quorvane/tag/table_output.h"
#include "quorvane/tag/tag_error.h"

#include <new>

namespace quorvane::tag {

void SaveTable(const std::filesystem::path& target, std::string_view table,
               const OutputOptions& options, std::string_view title) {
    try {
        OutputFile file(target, OutputFile::Other::Refused);
        FileSink bytes(file);
        TableOutput out(options, title, bytes);
        out.Append(table);
        out.Finish();
        file.Commit();
    } catch (const std::bad_alloc&) {
        throw TagError(ErrorCode::OutOfMemory, "out of memory");
    }
}

} // namespace quorvane::tag
