#include "quorvane/tag/table_builder.h"

#include "ascii_run.h"
#include "quorvane/tag/checked16.h"
#include "quorvane/tag/tag_error.h"
#include "text_decoder.h"

#include <algorithm>
#include <string_view>

namespace quorvane::tag {
namespace {

constexpr std::string_view kPlainCell = "\r\n<td>";
constexpr std::string_view kCellEnd = "</td>";

// One build: the cell openings of the styled columns are made once, so the
// hot loop appends three pieces per cell.
class TableBuilder final {
public:
    TableBuilder(std::int16_t fieldCount, const std::vector<std::string>& styleRows)
        : m_fieldCount(fieldCount) {
        const std::size_t styled = std::min(styleRows.size(), static_cast<std::size_t>(fieldCount));
        m_openings.reserve(styled);
        for (std::size_t c = 0; c < styled; ++c) {
            m_openings.push_back(styleRows[c].empty()
                                     ? std::string(kPlainCell)
                                     : "\r\n<td " + TextDecoder::ValidUtf8(styleRows[c]) + ">");
        }
    }

    void Rows(FieldReader& reader, TextBuffer& out) const {
        while (!reader.AtEnd()) {
            Put(out, "\r\n<tr>");
            const std::int16_t last = CheckedSub16(m_fieldCount, 1);
            for (std::int16_t col = 0; col <= last; col = CheckedAdd16(col, 1)) {
                Put(out, Opening(col));
                if (!reader.ReadFieldTo(out)) {
                    Put(out, kCellEnd);
                    FillRow(CheckedAdd16(col, 1), last, out);
                    return;
                }
                Put(out, kCellEnd);
            }
            Put(out, "\r\n</tr>");
        }
        Put(out, "\r\n</table>");
    }

private:
    // Short pieces are copied without a call.
    static void Put(TextBuffer& out, std::string_view piece) {
        CopySmall(out.Room(piece.size()), piece.data(), piece.size());
        out.Advance(piece.size());
    }

    std::string_view Opening(std::int16_t col) const {
        const auto c = static_cast<std::size_t>(col);
        return c < m_openings.size() ? std::string_view(m_openings[c]) : kPlainCell;
    }

    // The empty cells of the columns from `from` to `last` of a short row,
    // and the end of the table.
    void FillRow(std::int16_t from, std::int16_t last, TextBuffer& out) const {
        for (std::int16_t col = from; col <= last; col = CheckedAdd16(col, 1)) {
            Put(out, Opening(col));
            Put(out, kCellEnd);
        }
        Put(out, "\r\n</tr>\r\n</table>");
    }

    std::int16_t m_fieldCount;
    std::vector<std::string> m_openings;
};

} // namespace

void Build(FieldReader& reader, std::int16_t fieldCount, const std::vector<std::string>& styleRows,
           TextBuffer& out) {
    if (fieldCount < 1) {
        throw TagError(ErrorCode::InvalidArgument, "field count below 1");
    }
    TableBuilder(fieldCount, styleRows).Rows(reader, out);
}

} // namespace quorvane::tag
