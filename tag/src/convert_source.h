#pragma once

#include "byte_source.h"
#include "quorvane/tag/convert.h"

namespace quorvane::tag {

// Convert, from any source of bytes.
void ConvertSource(ByteSource& source, const ReadOptions& read, const BuildOptions& build,
                   TagSink& out);

} // namespace quorvane::tag
