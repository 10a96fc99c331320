#pragma once

#include "quorvane/tag/build_options.h"
#include "quorvane/tag/files.h"
#include "quorvane/tag/read_options.h"
#include "quorvane/tag/tag_sink.h"

#include <cstdint>

namespace quorvane::tag {

// Told how far a conversion has read, after every block taken from the
// input. An exception thrown from it ends the conversion and reaches the
// caller of Convert as it is: that is how a conversion is cancelled.
class ReadProgress {
public:
    virtual ~ReadProgress() = default;
    virtual void BytesRead(std::uint64_t total) = 0;
};

// Reads `input` to its end and appends the whole table text, "<table>" to
// "</table>", to `out` as UTF-8. Failures are TagError (OutOfMemory for
// bad_alloc); what was built before a failure has reached `out`.
void Convert(InputFile& input, const ReadOptions& read, const BuildOptions& build, TagSink& out,
             ReadProgress* progress = nullptr);

} // namespace quorvane::tag
