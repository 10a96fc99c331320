#pragma once

#include "quorvane/tag/encoding.h"
#include "quorvane/tag/field_reader.h"
#include "quorvane/tag/tag_sink.h"

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

// Turns the reader's fields into the rows of an HTML table.
//
// Build appends everything after the opening "<table>": for each row a line
// end and "<tr>", `fieldCount` cells "<td" + attribute + ">" + field +
// "</td>" each on its own line, a line end and "</tr>"; at last a line end
// and "</table>". The attribute of column c is one space and styleRows[c],
// or nothing when that row is empty or missing. When the data runs out inside
// a row, the row is filled up with empty cells. A field count below 1 fails
// with ErrorCode::InvalidArgument; running out of memory with OutOfMemory;
// any reader or sink failure propagates.
namespace quorvane::tag {

void Build(FieldReader& reader, std::int16_t fieldCount,
           const std::vector<std::u16string>& styleRows, TagSink& out);

// The whole table text of a file, starting with "<table>".
std::u16string ConvertFile(const std::filesystem::path& path, std::int16_t fieldCount,
                           const std::vector<std::u16string>& styleRows,
                           Encoding encoding = Encoding::Auto);

} // namespace quorvane::tag
