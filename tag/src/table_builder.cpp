#include "quorvane/tag/table_builder.h"

#include "buffered_sink.h"
#include "quorvane/tag/checked16.h"
#include "quorvane/tag/tag_error.h"
#include "quorvane/tag/u16_string_sink.h"

#include <algorithm>
#include <new>
#include <string_view>

namespace quorvane::tag {
namespace {

constexpr std::string_view kPlainCell = "\r\n<td>";

// The text that opens a cell of one column. ASCII openings, the usual kind,
// are kept as bytes (`ascii`) so that they go out without widening; any
// other has `ascii` empty.
struct Opening {
    std::u16string text;
    std::string ascii;
};

bool IsAscii(std::u16string_view text) {
    return std::all_of(text.begin(), text.end(), [](char16_t c) { return c < 0x80; });
}

// One build: the cell openings of the styled columns are made once, so the
// hot loop appends three pieces per cell.
class TableBuilder final {
public:
    TableBuilder(std::int16_t fieldCount, const std::vector<std::u16string>& styleRows)
        : m_fieldCount(fieldCount) {
        const std::size_t styled = std::min(styleRows.size(), static_cast<std::size_t>(fieldCount));
        m_openings.reserve(styled);
        for (std::size_t c = 0; c < styled; ++c) {
            m_openings.push_back(MakeOpening(styleRows[c]));
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
            out.AppendAscii("\r\n<tr>");
            const std::int16_t last = CheckedSub16(m_fieldCount, 1);
            for (std::int16_t col = 0; col <= last; col = CheckedAdd16(col, 1)) {
                if (!Cell(reader, col, out)) {
                    FillRow(col, out);
                    return;
                }
            }
            out.AppendAscii("\r\n</tr>");
        }
        out.AppendAscii("\r\n</table>");
    }

    // Appends the cell of column `col` with the next field; false when the
    // data ran out before it.
    bool Cell(FieldReader& reader, std::int16_t col, BufferedSink& out) const {
        std::string_view plain;
        bool ascii = false;
        if (reader.TakePlainField(plain, ascii)) {
            AppendOpening(col, out);
            if (ascii) {
                out.AppendAscii(plain);
            } else {
                reader.DecodePlainField(plain, out);
            }
        } else {
            if (!NextField(reader)) {
                return false;
            }
            AppendOpening(col, out);
            reader.CopyFieldTo(out);
        }
        out.AppendAscii("</td>");
        return true;
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
            AppendOpening(col, out);
            out.AppendAscii("</td>");
        }
        out.AppendAscii("\r\n</tr>\r\n</table>");
    }

    static Opening MakeOpening(const std::u16string& style) {
        Opening opening;
        if (style.empty()) {
            opening.ascii = kPlainCell;
            return opening;
        }
        opening.text = u"\r\n<td " + style + u">";
        if (IsAscii(opening.text)) {
            opening.ascii.assign(opening.text.begin(), opening.text.end());
        }
        return opening;
    }

    void AppendOpening(std::int16_t col, BufferedSink& out) const {
        const auto c = static_cast<std::size_t>(col);
        if (c >= m_openings.size()) {
            out.AppendAscii(kPlainCell);
        } else if (!m_openings[c].ascii.empty()) {
            out.AppendAscii(m_openings[c].ascii);
        } else {
            out.Append(m_openings[c].text);
        }
    }

    std::int16_t m_fieldCount;
    std::vector<Opening> m_openings;
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
