#include "table_builder.h"

#include "byte_scan.h"
#include "html_reference.h"
#include "quorvane/tag/string_sink.h"
#include "quorvane/tag/tag_error.h"
#include "text_decoder.h"

#include <algorithm>
#include <string_view>

namespace quorvane::tag {
namespace {

// The pieces around the cells of one kind, data (td) or header (th).
template <bool Header> struct Cell final {
    static constexpr std::string_view kName = Header ? "th" : "td";
    static constexpr std::string_view kPlain = Header ? "\r\n<th>" : "\r\n<td>";
    static constexpr std::string_view kEnd = Header ? "</th>" : "</td>";

    // The openings of the styled columns, made once.
    static std::vector<std::string> Openings(std::int16_t fieldCount,
                                             const std::vector<std::string>& styleRows) {
        const std::size_t styled = std::min(styleRows.size(), static_cast<std::size_t>(fieldCount));
        std::vector<std::string> openings;
        openings.reserve(styled);
        for (std::size_t c = 0; c < styled; ++c) {
            openings.push_back(styleRows[c].empty()
                                   ? std::string(kPlain)
                                   : "\r\n<" + std::string(kName) + " " +
                                         TextDecoder::ValidUtf8(styleRows[c]) + ">");
        }
        return openings;
    }
};

// One build: the cell openings of the styled columns are made once, and the
// row loop is made for each kind of cell and with or without escaping, so
// the hot loop appends three pieces per cell.
class TableBuilder final {
public:
    TableBuilder(const BuildOptions& options, TextBuffer& out)
        : m_fieldCount(options.fieldCount)
        , m_data(Cell<false>::Openings(options.fieldCount, options.styleRows))
        , m_headerRow(options.headerRow)
        , m_escape(options.escape)
        , m_fieldSink(m_field)
        , m_fieldText(m_fieldSink, 4 << 10)
        , m_out(out) {
        if (m_headerRow) {
            m_header = Cell<true>::Openings(options.fieldCount, options.styleRows);
        }
    }

    void Rows(FieldReader& reader) {
        if (m_escape) {
            Rows<true>(reader, m_out);
        } else {
            Rows<false>(reader, m_out);
        }
    }

private:
    // Each variant is a function of its own, so that the plain one's loop
    // is compiled as tightly as if it were the only one.
    template <bool Escape> [[gnu::noinline]] void Rows(FieldReader& reader, TextBuffer& out) {
        if (m_headerRow && !reader.AtEnd() && !Row<true, Escape>(reader, out)) {
            return;
        }
        while (!reader.AtEnd()) {
            if (!Row<false, Escape>(reader, out)) {
                return;
            }
        }
        Put(out, "\r\n</table>");
    }

    // One table row; false when the data ran out inside it, which then is
    // filled up and the table closed.
    template <bool Header, bool Escape> bool Row(FieldReader& reader, TextBuffer& out) {
        Put(out, "\r\n<tr>");
        for (int col = 0; col < m_fieldCount; ++col) {
            Put(out, Opening<Header>(col));
            if (!(Escape ? EscapedField(reader, out) : reader.ReadFieldTo(out))) {
                Put(out, Cell<Header>::kEnd);
                FillRow<Header>(col + 1, out);
                return false;
            }
            Put(out, Cell<Header>::kEnd);
        }
        Put(out, "\r\n</tr>");
        return true;
    }

    template <bool Header> std::string_view Opening(int col) const {
        const auto& openings = Header ? m_header : m_data;
        const auto c = static_cast<std::size_t>(col);
        return c < openings.size() ? std::string_view(openings[c]) : Cell<Header>::kPlain;
    }

    // The next field, read aside and written out escaped.
    bool EscapedField(FieldReader& reader, TextBuffer& out) {
        m_field.clear();
        bool read = false;
        try {
            read = reader.ReadFieldTo(m_fieldText);
        } catch (...) {
            // What was read of the field still goes out, as without escaping.
            m_fieldText.Flush();
            PutEscaped(m_field, out);
            throw;
        }
        m_fieldText.Flush();
        PutEscaped(m_field, out);
        return read;
    }

    static void PutEscaped(std::string_view text, TextBuffer& out) {
        constexpr std::string_view kSpecial = "&<>\"'";
        std::size_t from = 0;
        for (std::size_t at = text.find_first_of(kSpecial); at != std::string_view::npos;
             at = text.find_first_of(kSpecial, from)) {
            out.Append(text.substr(from, at - from));
            out.Append(HtmlReference(text[at]));
            from = at + 1;
        }
        out.Append(text.substr(from));
    }

    // Short pieces are copied without a call.
    static void Put(TextBuffer& out, std::string_view piece) {
        CopySmall(out.Room(piece.size()), piece.data(), piece.size());
        out.Advance(piece.size());
    }

    // The empty cells of the columns from `from` on of a short row, and the
    // end of the table.
    template <bool Header> void FillRow(int from, TextBuffer& out) const {
        for (int col = from; col < m_fieldCount; ++col) {
            Put(out, Opening<Header>(col));
            Put(out, Cell<Header>::kEnd);
        }
        Put(out, "\r\n</tr>\r\n</table>");
    }

    // 1 to 32767, so that the column counters, plain ints, never overflow.
    int m_fieldCount;
    std::vector<std::string> m_data;
    std::vector<std::string> m_header;
    bool m_headerRow;
    bool m_escape;
    // With escaping, each field is read here first.
    std::string m_field;
    StringSink m_fieldSink;
    TextBuffer m_fieldText;
    TextBuffer& m_out;
};

} // namespace

void Build(FieldReader& reader, const BuildOptions& options, TextBuffer& out) {
    if (options.fieldCount < 1) {
        throw TagError(ErrorCode::InvalidArgument, "field count below 1");
    }
    TableBuilder(options, out).Rows(reader);
}

} // namespace quorvane::tag
