#pragma once

#include "field_reader.h"
#include "quorvane/tag/build_options.h"
#include "text_buffer.h"

// Turns the reader's fields into the rows of an HTML table.
//
// Build appends everything after the opening tag: for each row a line end
// and "<tr>", `fieldCount` cells "<td" + attribute + ">" + field + "</td>"
// each on its own line, a line end and "</tr>"; at last a line end and
// "</table>". The attribute of column c is one space and styleRows[c]
// (UTF-8; ill-formed bytes become U+FFFD), or nothing when that row is empty
// or missing. With `headerRow` the first row's cells are "<th ...>" and
// "</th>"; with `escape` the field text has & < > " ' as character
// references. When the data runs out inside a row, the row is filled up with
// empty cells. A field count below 1 fails with ErrorCode::InvalidArgument;
// reader failures propagate. The table attribute is the caller's.
namespace quorvane::tag {

void Build(FieldReader& reader, const BuildOptions& options, TextBuffer& out);

} // namespace quorvane::tag
