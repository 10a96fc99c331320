#pragma once

#include "quorvane/tag/output_options.h"

#include <filesystem>
#include <string_view>

namespace quorvane::tag {

// Writes the UTF-8 table text `table` to the file `target` as the options
// say (`title` names a document), as safely as quorvane-tag -o: into a
// temporary file beside the target that replaces it only when complete. Only
// a regular file, or a name where nothing stands, is written; a folder, a
// device, a FIFO, a missing or unwritable folder, a full disk: TagError
// (WriteFailed; OutOfMemory), the target as it was and nothing left behind.
void SaveTable(const std::filesystem::path& target, std::string_view table,
               const OutputOptions& options, std::string_view title);

} // namespace quorvane::tag
