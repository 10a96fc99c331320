#pragma once

#include <string_view>

namespace quorvane::cli {

// Writes UTF-8 text to standard error; a Windows console gets it as UTF-16
// text. Fails with TagError (WriteFailed).
void WriteError(std::string_view utf8);

} // namespace quorvane::cli
