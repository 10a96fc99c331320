#pragma once

#include "quorvane/window/box_keys.h"
#include "quorvane/window/text_cursor.h"
#include "quorvane/window/text_document.h"
#include "quorvane/window/text_measure.h"

#include <QAbstractScrollArea>
#include <QBasicTimer>
#include <QTextLayout>

#include <cstddef>
#include <memory>
#include <string>
#include <unordered_map>

class QMenu;

namespace quorvane::ui {

// A read-only view of a large UTF-8 text, the Qt face of a TextDocument and
// its TextCursor: it paints the lines in sight, converted and laid out only
// then, and turns mouse and keys into caret moves. Lines never wrap. What is
// copied are the characters of the text themselves. Positions are byte
// offsets into the text, always at the start of a character.
class TagView final : public QAbstractScrollArea, private window::TextMeasure {
    Q_OBJECT

public:
    explicit TagView(QWidget* parent = nullptr);
    ~TagView() override;

    // Replaces the whole text; scrolls to the top left and clears the
    // selection. On failure (no memory for the index) nothing changes.
    void setText(std::string utf8);
    // A text whose lines were indexed as it was written.
    void setText(window::IndexedText table);
    // The widest each class of character is drawn in the box's font.
    const window::AdvanceBounds& advanceBounds() const { return m_bounds; }
    std::string_view text() const { return m_document.text(); }
    const window::TextDocument& document() const { return m_document; }
    // The whole text, converted once; std::length_error when it is too long
    // for a QString, std::bad_alloc when memory is refused.
    QString textString() const;

    QString selectedText() const;
    // The characters from byte `start` to byte `end`.
    QString textBetween(std::size_t start, std::size_t end) const;
    std::size_t selectionStart() const { return m_cursor.selectionStart(); }
    std::size_t selectionEnd() const { return m_cursor.selectionEnd(); }
    std::size_t cursorPosition() const { return m_cursor.caret(); }
    // Selects from `anchor` to `cursor` (offsets into the text, pulled to the
    // nearest place a caret can stand) and scrolls the cursor into sight.
    void setSelection(std::size_t anchor, std::size_t cursor);
    void selectAll();
    // Puts the selection on the clipboard exactly as it stands in the text;
    // copyFailed() when it cannot be converted.
    void copy();

    std::size_t lineCount() const { return lines().lineCount(); }
    const window::LineIndex& lines() const { return m_document.lines(); }
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
    std::size_t indexBytes() const { return lines().capacityBytes(); }

signals:
    void selectionChanged();
    void copyFailed();

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
    double caretX(std::size_t line, std::size_t pos) const override;
    std::size_t caretAt(std::size_t line, double x) const override;
    std::size_t pageLines() const override;

    void measureFont();
    void updateContentWidth();
    void updateScrollBars();
    void widenTo(qreal width);

    QTextLayout& layoutFor(std::size_t line) const;
    void dropFarLayouts() const;
    QString lineString(std::size_t line) const;
    int columnOf(std::size_t pos) const;
    std::size_t positionIn(std::size_t line, int column) const;
    std::size_t firstVisibleLine() const;
    int fullRows() const;
    QPointF lineOrigin(std::size_t line) const;

    void paintLine(QPainter& painter, std::size_t line);
    void paintFocusFrame(QPainter& painter) const;

    void textReplaced();
    bool act(const QKeyEvent* event);
    void run(const window::BoxAction& action);
    // Carries out a change of caret or selection, then scrolls the caret
    // into sight and tells who listens when the selection moved.
    template <typename Change> void changeCursor(Change change);
    void ensureCursorVisible();
    void autoScrollStep();
    void announceSelection();

    window::TextDocument m_document;
    window::TextCursor m_cursor{m_document};
    window::AdvanceBounds m_bounds;
    int m_lineHeight = 1;
    qreal m_lineEndMark = 1;
    int m_contentWidth = 0;

    QBasicTimer m_autoScroll;
    QPoint m_dragPoint;
    bool m_dragging = false;

    mutable std::unordered_map<std::size_t, std::unique_ptr<QTextLayout>> m_layouts;
};

} // namespace quorvane::ui
