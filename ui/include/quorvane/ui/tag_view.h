#pragma once

#include "quorvane/ui/line_index.h"
#include "quorvane/ui/utf16_offsets.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QTextLayout>

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

class QMenu;

namespace quorvane::ui {

// A read-only view of a large UTF-8 text: it keeps the text as given, CR LF
// included, indexes where its lines start and converts and lays out only the
// lines in sight. Lines never wrap. CR LF, a lone CR and a lone LF each end a
// line; what is copied are the characters of the text themselves. Positions
// are byte offsets into the text, always at the start of a character.
class TagView final : public QAbstractScrollArea {
    Q_OBJECT

public:
    explicit TagView(QWidget* parent = nullptr);
    ~TagView() override;

    // Replaces the whole text; scrolls to the top left and clears the selection.
    void setText(std::string utf8);
    const std::string& text() const { return m_text; }
    // The whole text, converted once.
    QString textString() const;
    // UTF-16 offsets of the text, for those who speak them.
    const Utf16Offsets& utf16() const { return m_utf16; }

    QString selectedText() const;
    // The characters from byte `start` to byte `end`.
    QString textBetween(std::size_t start, std::size_t end) const;
    std::size_t selectionStart() const { return std::min(m_anchor, m_cursor); }
    std::size_t selectionEnd() const { return std::max(m_anchor, m_cursor); }
    std::size_t cursorPosition() const { return m_cursor; }
    // Selects from `anchor` to `cursor` (offsets into the text, pulled to the
    // nearest place a caret can stand) and scrolls the cursor into sight.
    void setSelection(std::size_t anchor, std::size_t cursor);
    void selectAll();
    // Puts the selection on the clipboard exactly as it stands in the text.
    void copy();

    std::size_t lineCount() const { return m_index.lineCount(); }
    const LineIndex& lines() const { return m_index; }
    // The line's box in viewport coordinates, at its laid-out width.
    QRectF lineRect(std::size_t line) const;
    // The caret rectangle before the character at `pos`, in viewport coordinates.
    QRect characterRect(std::size_t pos) const;
    // The caret position nearest to a point of the viewport.
    std::size_t
    positionAt(QPointF point,
               QTextLine::CursorPosition mode = QTextLine::CursorBetweenCharacters) const;
    // The lines in sight, with their line ends as in the text.
    QString visibleText() const;
    // Bytes the view holds beyond the text itself: the line index.
    std::size_t indexBytes() const { return m_index.capacityBytes(); }

signals:
    void selectionChanged();

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void changeEvent(QEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

private:
    void measureFont();
    void reindex();
    void updateScrollBars();
    void widenTo(qreal width);

    QTextLayout& layoutFor(std::size_t line) const;
    void dropFarLayouts() const;
    QString lineString(std::size_t line) const;
    int columnOf(std::size_t pos) const;
    std::size_t positionIn(std::size_t line, int column) const;
    char32_t characterAt(std::size_t pos) const;
    std::size_t previousCharacter(std::size_t pos) const;
    std::size_t nextCharacter(std::size_t pos) const;
    std::size_t firstVisibleLine() const;
    int fullRows() const;
    QPointF lineOrigin(std::size_t line) const;
    qreal cursorX(std::size_t pos) const;

    void paintLine(QPainter& painter, std::size_t line);
    void paintFocusFrame(QPainter& painter) const;

    bool navigate(const QKeyEvent* event);
    std::size_t normalized(std::size_t pos) const;
    std::size_t stepLeft(std::size_t pos) const;
    std::size_t stepRight(std::size_t pos) const;
    std::size_t wordStart(std::size_t pos) const;
    std::size_t wordEnd(std::size_t pos) const;
    std::size_t verticalStep(std::size_t pos, std::ptrdiff_t lines);
    void moveCursor(std::size_t pos, bool keepAnchor, bool keepDesiredX = false);
    void ensureCursorVisible();
    void autoScrollStep();
    void announceSelection();

    std::string m_text;
    LineIndex m_index;
    Utf16Offsets m_utf16;
    AdvanceBounds m_bounds;
    int m_lineHeight = 1;
    qreal m_lineEndMark = 1;
    int m_contentWidth = 0;

    std::size_t m_anchor = 0;
    std::size_t m_cursor = 0;
    qreal m_desiredX = -1;

    QBasicTimer m_autoScroll;
    QPoint m_dragPoint;
    bool m_dragging = false;

    mutable std::unordered_map<std::size_t, std::unique_ptr<QTextLayout>> m_layouts;
};

} // namespace quorvane::ui
