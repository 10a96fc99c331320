#include "table_builder.h"

#include "byte_scan.h"
#include "html_reference.h"
#include "quorvane/tag/string_sink.h"
#include "quorvane/tag/tag_error.h"
#include "text_decoder.h"

#include <algorithm>
#include <cstring>
#include <optional>
#include <string_view>

namespace quorvane::tag {
namespace {

// Readable bytes from the start of every piece, so that a short piece is
// copied with a fixed-size move, and room left after every cell for it or
// a field's text.
constexpr std::size_t kPieceRoom = 32;
static_assert(kPieceRoom >= FieldReader::kTextRoom);

// A piece of the table text with kPieceRoom readable bytes.
struct Piece final {
    const char* text;
    std::size_t size;
};

// What stands around the field text of a cell: before and after it, and
// the junction, its end followed by the next cell's opening (of the next
// row at the end of a row), of which `opens` bytes are that opening.
struct Column final {
    Piece before;
    Piece after;
    Piece junction;
    std::size_t opens;
};

// The pieces around the field text of each column, for one kind of cell,
// data (td) or header (th): the first column's opening starts the row, the
// last column's end ends it. Columns without an attribute share theirs.
class CellPieces final {
public:
    CellPieces(std::string_view name, std::int16_t fieldCount,
               const std::vector<std::string>& styleRows) {
        const auto count = static_cast<std::size_t>(fieldCount);
        const auto styled = [&](std::size_t c) {
            return c < styleRows.size() && !styleRows[c].empty();
        };
        const std::string end = "</" + std::string(name) + ">";
        const std::string plain = Opening(name, "");
        const std::string first = "\r\n<tr>" + Opening(name, styled(0) ? styleRows[0] : "");
        const std::string last = end + "\r\n</tr>";
        std::size_t unique = 0;
        for (std::size_t c = 0; c < count && c < styleRows.size(); ++c) {
            unique += styled(c) ? 2 : 0;
        }
        // Reserved, so that the pieces' texts stay where they are.
        m_texts.reserve(unique + 6);
        const Column shared{Add(plain), Add(end), Add(end + plain), plain.size()};
        m_columns.assign(count, shared);
        for (std::size_t c = 1; c < count; ++c) {
            if (styled(c)) {
                const std::string opening = Opening(name, styleRows[c]);
                m_columns[c].before = Add(opening);
                m_columns[c - 1].junction = Add(end + opening);
                m_columns[c - 1].opens = opening.size();
            }
        }
        m_columns[0].before = Add(first);
        m_columns[count - 1].after = Add(last);
        m_columns[count - 1].junction = Add(last + first);
        m_columns[count - 1].opens = first.size();
    }

    const Column& operator[](int col) const { return m_columns[static_cast<std::size_t>(col)]; }
    const Column* Columns() const { return m_columns.data(); }
    // True when every piece is at most kPieceRoom long.
    bool Short() const { return m_short; }

private:
    // "<td" + one space and the attribute, unless it is empty, + ">".
    static std::string Opening(std::string_view name, const std::string& style) {
        std::string opening = "\r\n<";
        opening += name;
        if (!style.empty()) {
            opening += ' ';
            opening += TextDecoder::ValidUtf8(style);
        }
        return opening + ">";
    }

    Piece Add(const std::string& text) {
        m_texts.push_back(text + std::string(kPieceRoom, '\0'));
        m_short = m_short && text.size() <= kPieceRoom;
        return {m_texts.back().data(), text.size()};
    }

    std::vector<std::string> m_texts;
    std::vector<Column> m_columns;
    bool m_short = true;
};

// One build. Fields that lie whole in what the reader holds go straight
// from its buffer into the table, a cell at a time with two fixed-size
// moves; the others, and the header row, are read one at a time. The row
// loop is made with or without escaping, so that the plain one's loop is
// compiled as tightly as if it were the only one.
class TableBuilder final {
public:
    TableBuilder(const BuildOptions& options, TextBuffer& out)
        : m_fieldCount(options.fieldCount)
        , m_data("td", options.fieldCount, options.styleRows)
        , m_escape(options.escape)
        , m_fieldSink(m_field)
        , m_fieldText(m_fieldSink, 4 << 10)
        , m_out(out) {
        if (options.headerRow) {
            m_header.emplace("th", options.fieldCount, options.styleRows);
        }
    }

    void Rows(FieldReader& reader) {
        if (m_escape) {
            Rows<true>(reader);
        } else {
            Rows<false>(reader);
        }
    }

private:
    template <bool Escape> [[gnu::noinline]] void Rows(FieldReader& reader) {
        int col = 0;
        if (m_header) {
            do {
                if (!NextField<Escape>(reader, *m_header, col)) {
                    return;
                }
            } while (col != 0);
        }
        for (;;) {
            WholeFields<Escape>(reader, col);
            if (!NextField<Escape>(reader, m_data, col)) {
                return;
            }
        }
    }

    // The fields that the reader holds whole, each written into the free
    // room of the table's buffer: its text, then its junction.
    template <bool Escape> void WholeFields(FieldReader& reader, int& col) {
        if constexpr (Escape) {
            reader.ReadWholeFields([&](const unsigned char* text, std::size_t size) {
                Put(m_data[col].before);
                PutEscaped({reinterpret_cast<const char*>(text), size});
                Put(m_data[col].after);
                col = col + 1 == m_fieldCount ? 0 : col + 1;
            });
        } else if (m_data.Short()) {
            WholeCells<true>(reader, col);
        } else {
            WholeCells<false>(reader, col);
        }
    }

    // The opening of the first cell is written before it is known that a
    // field comes, and each field is followed by its junction, which holds
    // the next opening; the opening written last is taken back at the end.
    template <bool Short> void WholeCells(FieldReader& reader, int& col) {
        // Members are read once: as far as the compiler knows, the writes
        // through char pointers might change them.
        const Column* const first = m_data.Columns();
        const Column* const last = first + (m_fieldCount - 1);
        const Column* column = first + col;
        char* start = m_out.Room(column->before.size + kPieceRoom);
        char* to = Move<Short>(start, column->before);
        const Column* written = nullptr;
        // Where a cell may end, with room after it for the overshoot.
        char* stop = start + m_out.Free() - kPieceRoom;
        reader.ReadWholeFields([&](const unsigned char* text, std::size_t size) {
            if (size + column->junction.size > static_cast<std::size_t>(stop - to)) {
                m_out.Advance(static_cast<std::size_t>(to - start));
                start = to = m_out.Room(size + column->junction.size + kPieceRoom);
                stop = start + m_out.Free() - kPieceRoom;
            }
            CopyPadded<FieldReader::kTextRoom>(to, reinterpret_cast<const char*>(text), size);
            to = Move<Short>(to + size, column->junction);
            written = column;
            column = column == last ? first : column + 1;
        });
        const std::size_t opening = written ? written->opens : column->before.size;
        m_out.Advance(static_cast<std::size_t>(to - start) - opening);
        col = static_cast<int>(column - first);
    }

    // The field of column `col` read on its own; false once the table is
    // closed, at the end of the data or filled up after a short row.
    template <bool Escape> bool NextField(FieldReader& reader, const CellPieces& pieces, int& col) {
        if (col == 0 && reader.AtEnd()) {
            Put("\r\n</table>");
            return false;
        }
        Put(pieces[col].before);
        const bool read = Escape ? EscapedField(reader) : reader.ReadFieldTo(m_out);
        Put(pieces[col].after);
        if (!read) {
            FillRow(pieces, col + 1);
            return false;
        }
        col = col + 1 == m_fieldCount ? 0 : col + 1;
        return true;
    }

    // Copies `piece` to `to`, which has room for it and kPieceRoom bytes;
    // returns where it ends. Short: the piece is no longer than that.
    template <bool Short = false> static char* Move(char* to, const Piece& piece) {
        if constexpr (Short) {
            std::memcpy(to, piece.text, kPieceRoom);
        } else {
            CopyPadded<kPieceRoom>(to, piece.text, piece.size);
        }
        return to + piece.size;
    }

    // Copies `size` bytes, up to Room of them as a block of Room.
    template <std::size_t Room>
    static void CopyPadded(char* to, const char* from, std::size_t size) {
        if (size <= Room) {
            std::memcpy(to, from, Room);
        } else {
            std::memcpy(to, from, size);
        }
    }

    void Put(const Piece& piece) {
        Move(m_out.Room(piece.size + kPieceRoom), piece);
        m_out.Advance(piece.size);
    }

    void Put(std::string_view text) {
        CopySmall(m_out.Room(text.size()), text.data(), text.size());
        m_out.Advance(text.size());
    }

    // The next field, read aside and written out escaped.
    bool EscapedField(FieldReader& reader) {
        m_field.clear();
        bool read = false;
        try {
            read = reader.ReadFieldTo(m_fieldText);
        } catch (...) {
            // What was read of the field still goes out, as without escaping.
            m_fieldText.Flush();
            PutEscaped(m_field);
            throw;
        }
        m_fieldText.Flush();
        PutEscaped(m_field);
        return read;
    }

    void PutEscaped(std::string_view text) {
        constexpr std::string_view kSpecial = "&<>\"'";
        std::size_t from = 0;
        for (std::size_t at = text.find_first_of(kSpecial); at != std::string_view::npos;
             at = text.find_first_of(kSpecial, from)) {
            m_out.Append(text.substr(from, at - from));
            m_out.Append(HtmlReference(text[at]));
            from = at + 1;
        }
        m_out.Append(text.substr(from));
    }

    // The empty cells of the columns from `from` on of a short row, and the
    // end of the table.
    void FillRow(const CellPieces& pieces, int from) {
        for (int col = from; col < m_fieldCount; ++col) {
            Put(pieces[col].before);
            Put(pieces[col].after);
        }
        Put("\r\n</table>");
    }

    // 1 to 32767, so that the column counters, plain ints, never overflow.
    int m_fieldCount;
    CellPieces m_data;
    std::optional<CellPieces> m_header;
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
