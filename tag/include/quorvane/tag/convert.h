#pragma once

#include "quorvane/tag/encoding.h"
#include "quorvane/tag/files.h"
#include "quorvane/tag/tag_sink.h"

#include <cstdint>
#include <string>
#include <vector>

namespace quorvane::tag {

struct TableOptions final {
    // Fields per table row; below 1: InvalidArgument.
    std::int16_t fieldCount = 1;
    // UTF-8 attribute of column c + 1 at index c; empty or missing: none.
    std::vector<std::string> styleRows{};
    Encoding encoding = Encoding::Auto;
    // The first table row's cells are header cells, <th> instead of <td>.
    bool headerRow = false;
    // Field text has & < > " ' written as character references.
    bool escape = false;
    // UTF-8 text inside the opening tag, "<table TEXT>"; empty: "<table>".
    std::string tableAttribute{};
    // Ends a field besides a line end: ',', '\t', ';' or '|'; anything else
    // is InvalidArgument.
    char delimiter = ',';
};

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
void Convert(InputFile& input, const TableOptions& options, TagSink& out,
             ReadProgress* progress = nullptr);

} // namespace quorvane::tag
