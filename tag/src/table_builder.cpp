#include "quorvane/tag/table_builder.h"

#include "buffered_sink.h"
#include "quorvane/tag/checked16.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/u16_string_sink.h"

#include <new>

namespace quorvane::tag {
namespace {

constexpr std::u16string_view kPlainCell = u"\r\n<td>";

// One build: the cell openings of the styled columns are made once, so the
// hot loop appends three pieces per cell.
class TableBuilder final {
public:
    TableBuilder(std::int16_t fieldCount, const std::vector<std::u16string>& styleRows)
        : m_fieldCount(fieldCount) {
        const std::size_t styled = std::min(styleRows.size(), static_cast<std::size_t>(fieldCount));
        m_openings.reserve(styled);
        for (std::size_t c = 0; c < styled; ++c) {
            m_openings.push_back(styleRows[c].empty() ? std::u16string(kPlainCell)
                                                      : u"\r\n<td " + styleRows[c] + u">");
        }
    }

    // What was built before a failure still reaches `target`.
    void Run(FieldReader& reader, TagSink& target) const {
        BufferedSink out(target);
        try {
            Rows(reader, out);
        } catch (...) {
            FlushQuietly(out);
            throw;
        }
        out.Flush();
    }

private:
    // Passes on what was built before a failure; a second failure of the
    // target must not replace the first.
    static void FlushQuietly(BufferedSink& out) noexcept {
        try {
            out.Flush();
        } catch (...) {
        }
    }

    void Rows(FieldReader& reader, BufferedSink& out) const {
        while (!reader.AtEnd()) {
            out.Append(u"\r\n<tr>");
            const std::int16_t last = CheckedSub16(m_fieldCount, 1);
            for (std::int16_t col = 0; col <= last; col = CheckedAdd16(col, 1)) {
                if (!NextField(reader)) {
                    FillRow(col, out);
                    return;
                }
                out.Append(Opening(col));
                reader.CopyFieldTo(out);
                out.Append(u"</td>");
            }
            out.Append(u"\r\n</tr>");
        }
        out.Append(u"\r\n</table>");
    }

    // False when the data ran out before the field (input past end).
    static bool NextField(FieldReader& reader) {
        try {
            reader.SkipToField();
            return true;
        } catch (const TagError& error) {
            if (error.code() != ErrorCode::InputPastEnd) {
                throw;
            }
            return false;
        }
    }

    void FillRow(std::int16_t from, BufferedSink& out) const {
        const std::int16_t last = CheckedSub16(m_fieldCount, 1);
        for (std::int16_t col = from; col <= last; col = CheckedAdd16(col, 1)) {
            out.Append(Opening(col));
            out.Append(u"</td>");
        }
        out.Append(u"\r\n</tr>\r\n</table>");
    }

    std::u16string_view Opening(std::int16_t col) const {
        const auto c = static_cast<std::size_t>(col);
        return c < m_openings.size() ? std::u16string_view(m_openings[c]) : kPlainCell;
    }

    std::int16_t m_fieldCount;
    std::vector<std::u16string> m_openings;
};

} // namespace

void Build(FieldReader& reader, std::int16_t fieldCount,
           const std::vector<std::u16string>& styleRows, TagSink& out) {
    if (fieldCount < 1) {
        throw TagError(ErrorCode::InvalidArgument, "field count below 1");
    }
    try {
        TableBuilder(fieldCount, styleRows).Run(reader, out);
    } catch (const std::bad_alloc&) {
        throw TagError(ErrorCode::OutOfMemory, "out of memory");
    }
}

std::u16string ConvertFile(const std::filesystem::path& path, std::int16_t fieldCount,
                           const std::vector<std::u16string>& styleRows, Encoding encoding) {
    try {
        std::u16string text = u"<table>";
        U16StringSink sink(text);
        FieldReader reader(encoding);
        reader.Open(path);
        Build(reader, fieldCount, styleRows, sink);
        reader.Close();
        return text;
    } catch (const std::bad_alloc&) {
        throw TagError(ErrorCode::OutOfMemory, "out of memory");
    }
}

} // namespace quorvane::tag
