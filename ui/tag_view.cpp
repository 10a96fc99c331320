#include "quorvane/ui/tag_view.h"

#include "tag_view_accessible.h"

#include <QAccessible>
#include <QClipboard>
#include <QContextMenuEvent>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QPainter>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionFocusRect>

#include <algorithm>
#include <climits>
#include <cmath>

namespace quorvane::ui {
namespace {

// Room between the frame and the text.
constexpr int kMargin = 3;
constexpr int kTabColumns = 8;
constexpr int kAutoScrollMs = 50;

std::uint32_t toUnits(qreal pixels) {
    return static_cast<std::uint32_t>(std::ceil(pixels * 64));
}

qreal widestOf(const QFontMetricsF& metrics, char16_t first, char16_t last) {
    qreal widest = 0;
    for (char16_t c = first; c <= last; ++c) {
        widest = std::max(widest, metrics.horizontalAdvance(QChar(c)));
    }
    return widest;
}

int clampToInt(std::size_t value) {
    return static_cast<int>(std::min<std::size_t>(value, INT_MAX));
}

// Characters of one class form one word for double-click and Ctrl+arrows:
// runs of ASCII letters and digits, of hiragana, of katakana, of kanji, of
// full-width letters; every other symbol is a class of its own.
int wordClass(char32_t c) {
    if (c == U' ' || c == U'\t' || c == U'\u3000') {
        return 0;
    }
    if (c >= 0x3041 && c <= 0x309F) {
        return 2;
    }
    if ((c >= 0x30A0 && c <= 0x30FF) || (c >= 0xFF66 && c <= 0xFF9F)) {
        return 3;
    }
    if ((c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF) ||
        (c >= 0xF900 && c <= 0xFAFF) || c == U'\u3005' || c > 0xFFFF) {
        return 4;
    }
    if ((c >= 0xFF10 && c <= 0xFF19) || (c >= 0xFF21 && c <= 0xFF3A) ||
        (c >= 0xFF41 && c <= 0xFF5A)) {
        return 5;
    }
    if (c == U'_' || QChar::isLetterOrNumber(c)) {
        return 1;
    }
    return 0x10000 + static_cast<int>(c);
}

} // namespace

TagView::TagView(QWidget* parent)
    : QAbstractScrollArea(parent) {
    TagViewAccessible::install();
    setFocusPolicy(Qt::StrongFocus);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setAttribute(Qt::WA_InputMethodEnabled, false);
    viewport()->setCursor(Qt::IBeamCursor);
    viewport()->setBackgroundRole(QPalette::Base);
    viewport()->setAutoFillBackground(true);
    measureFont();
    reindex();
}

TagView::~TagView() = default;

void TagView::setText(std::string utf8) {
    const bool hadSelection = m_anchor != m_cursor;
    m_text = std::move(utf8);
    m_utf16.reset(m_text);
    m_anchor = 0;
    m_cursor = 0;
    m_desiredX = -1;
    reindex();
    horizontalScrollBar()->setValue(0);
    verticalScrollBar()->setValue(0);
    viewport()->update();
    if (QAccessible::isActive()) {
        QAccessibleEvent changed(this, QAccessible::TextUpdated);
        QAccessible::updateAccessibility(&changed);
    }
    if (hadSelection) {
        emit selectionChanged();
    }
}

QString TagView::textString() const {
    return textBetween(0, m_text.size());
}

QString TagView::selectedText() const {
    return textBetween(selectionStart(), selectionEnd());
}

void TagView::setSelection(std::size_t anchor, std::size_t cursor) {
    m_anchor = normalized(anchor);
    moveCursor(cursor, true);
}

void TagView::selectAll() {
    m_anchor = 0;
    moveCursor(m_text.size(), true);
}

void TagView::copy() {
    if (selectionStart() == selectionEnd()) {
        return;
    }
    QGuiApplication::clipboard()->setText(selectedText());
}

// ---- geometry -------------------------------------------------------------

void TagView::measureFont() {
    const QFontMetricsF metrics(font());
    const qreal wide = std::max({metrics.maxWidth(), metrics.horizontalAdvance(QChar(u'あ')),
                                 metrics.horizontalAdvance(QChar(u'漢')),
                                 metrics.horizontalAdvance(QChar(u'Ｗ'))});
    const qreal space = metrics.horizontalAdvance(QChar(u' '));
    m_bounds.advance[AdvanceBounds::Narrow] = toUnits(widestOf(metrics, 0x20, 0x7E));
    m_bounds.advance[AdvanceBounds::HalfWidth] = toUnits(widestOf(metrics, 0xFF61, 0xFF9F));
    m_bounds.advance[AdvanceBounds::Wide] = toUnits(wide);
    m_bounds.advance[AdvanceBounds::Tab] = toUnits(space * kTabColumns);
    m_lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    m_lineEndMark = std::max<qreal>(1, space / 2);
}

void TagView::reindex() {
    m_layouts.clear();
    m_index.build(m_text, m_bounds);
    const auto widest = static_cast<qreal>(m_index.widestBound()) / 64;
    m_contentWidth = clampToInt(static_cast<std::size_t>(std::ceil(widest))) + 2 * kMargin + 1;
    updateScrollBars();
}

void TagView::updateScrollBars() {
    const int rows = fullRows();
    QScrollBar* vertical = verticalScrollBar();
    vertical->setRange(0, std::max(0, clampToInt(lineCount()) - rows));
    vertical->setPageStep(rows);
    vertical->setSingleStep(1);
    QScrollBar* horizontal = horizontalScrollBar();
    const int width = viewport()->width();
    horizontal->setRange(0, std::max(0, m_contentWidth - width));
    horizontal->setPageStep(std::max(1, width));
    horizontal->setSingleStep(std::max(1, qCeil(QFontMetricsF(font()).averageCharWidth())));
}

// A painted line may be wider than its bound when a glyph comes from a
// fallback face; the scroll range then grows to reach its end.
void TagView::widenTo(qreal width) {
    const int needed = qCeil(width) + 2 * kMargin + 1;
    if (needed > m_contentWidth) {
        m_contentWidth = needed;
        updateScrollBars();
    }
}

int TagView::fullRows() const {
    return std::max(1, (viewport()->height() - kMargin) / m_lineHeight);
}

std::size_t TagView::firstVisibleLine() const {
    return static_cast<std::size_t>(verticalScrollBar()->value());
}

QPointF TagView::lineOrigin(std::size_t line) const {
    const auto row = static_cast<qreal>(line) - static_cast<qreal>(firstVisibleLine());
    return {static_cast<qreal>(kMargin - horizontalScrollBar()->value()),
            kMargin + row * m_lineHeight};
}

QString TagView::lineString(std::size_t line) const {
    return textBetween(m_index.lineStart(line), m_index.lineEnd(line));
}

QString TagView::textBetween(std::size_t start, std::size_t end) const {
    return QString::fromUtf8(m_text.data() + start, static_cast<qsizetype>(end - start));
}

// The UTF-16 column of `pos` in its line, as its layout counts.
int TagView::columnOf(std::size_t pos) const {
    const std::size_t start = m_index.lineStart(m_index.lineOf(pos));
    return static_cast<int>(
        Utf16Offsets::count(std::string_view(m_text).substr(start, pos - start)));
}

std::size_t TagView::positionIn(std::size_t line, int column) const {
    const std::size_t start = m_index.lineStart(line);
    const std::string_view chars =
        std::string_view(m_text).substr(start, m_index.lineEnd(line) - start);
    return start + Utf16Offsets::bytesFor(chars, static_cast<std::size_t>(std::max(column, 0)));
}

// The code point that starts at `pos`; U+FFFD for a byte that starts none.
char32_t TagView::characterAt(std::size_t pos) const {
    const auto* p = reinterpret_cast<const unsigned char*>(m_text.data());
    const unsigned char lead = p[pos];
    if (lead < 0x80) {
        return lead;
    }
    const int extra = lead < 0xC0 ? -1 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    if (extra < 0 || pos + extra >= m_text.size()) {
        return U'\uFFFD';
    }
    char32_t c = lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) {
        c = (c << 6) | (p[pos + i] & 0x3F);
    }
    return c;
}

std::size_t TagView::previousCharacter(std::size_t pos) const {
    do {
        --pos;
    } while (pos > 0 && (static_cast<unsigned char>(m_text[pos]) & 0xC0) == 0x80);
    return pos;
}

std::size_t TagView::nextCharacter(std::size_t pos) const {
    do {
        ++pos;
    } while (pos < m_text.size() && (static_cast<unsigned char>(m_text[pos]) & 0xC0) == 0x80);
    return pos;
}

QTextLayout& TagView::layoutFor(std::size_t line) const {
    auto& slot = m_layouts[line];
    if (slot) {
        return *slot;
    }
    slot = std::make_unique<QTextLayout>(lineString(line), font(), viewport());
    QTextOption option;
    option.setWrapMode(QTextOption::NoWrap);
    option.setTabStopDistance(QFontMetricsF(font()).horizontalAdvance(QChar(u' ')) * kTabColumns);
    slot->setTextOption(option);
    slot->setCacheEnabled(true);
    slot->beginLayout();
    QTextLine textLine = slot->createLine();
    textLine.setPosition(QPointF(0, 0));
    slot->endLayout();
    return *slot;
}

// Keeps the layouts of the lines around the screen only.
void TagView::dropFarLayouts() const {
    const std::size_t rows = static_cast<std::size_t>(fullRows()) + 2;
    if (m_layouts.size() <= 4 * rows) {
        return;
    }
    const std::size_t first = firstVisibleLine();
    const std::size_t low = first > rows ? first - rows : 0;
    const std::size_t high = first + 2 * rows;
    std::erase_if(m_layouts,
                  [&](const auto& entry) { return entry.first < low || entry.first > high; });
}

qreal TagView::cursorX(std::size_t pos) const {
    return layoutFor(m_index.lineOf(pos)).lineAt(0).cursorToX(columnOf(pos));
}

QRectF TagView::lineRect(std::size_t line) const {
    const QPointF origin = lineOrigin(line);
    return {origin, QSizeF(layoutFor(line).lineAt(0).naturalTextWidth(), m_lineHeight)};
}

QRect TagView::characterRect(std::size_t pos) const {
    pos = normalized(pos);
    const std::size_t line = m_index.lineOf(pos);
    const QPointF origin = lineOrigin(line);
    const qreal x = cursorX(pos);
    const qreal next = pos < m_index.lineEnd(line) ? cursorX(stepRight(pos)) : x + m_lineEndMark;
    return QRectF(origin.x() + x, origin.y(), std::max<qreal>(1, next - x), m_lineHeight)
        .toAlignedRect();
}

std::size_t TagView::positionAt(QPointF point, QTextLine::CursorPosition mode) const {
    const auto row = static_cast<long long>(std::floor((point.y() - kMargin) / m_lineHeight));
    const long long wanted = static_cast<long long>(firstVisibleLine()) + row;
    const auto line = static_cast<std::size_t>(
        std::clamp<long long>(wanted, 0, static_cast<long long>(lineCount()) - 1));
    const qreal x = point.x() - lineOrigin(line).x();
    return positionIn(line, layoutFor(line).lineAt(0).xToCursor(x, mode));
}

QString TagView::visibleText() const {
    const std::size_t first = firstVisibleLine();
    const std::size_t last = std::min(lineCount(), first + fullRows()) - 1;
    return textBetween(m_index.lineStart(first), m_index.lineEnd(last));
}

// ---- painting -------------------------------------------------------------

void TagView::paintEvent(QPaintEvent*) {
    QPainter painter(viewport());
    dropFarLayouts();
    const std::size_t first = firstVisibleLine();
    const std::size_t rows = static_cast<std::size_t>(viewport()->height() / m_lineHeight) + 2;
    const std::size_t end = std::min(lineCount(), first + rows);
    for (std::size_t line = first; line < end; ++line) {
        paintLine(painter, line);
    }
    if (hasFocus()) {
        paintFocusFrame(painter);
    }
}

void TagView::paintLine(QPainter& painter, std::size_t line) {
    QTextLayout& layout = layoutFor(line);
    const qreal width = layout.lineAt(0).naturalTextWidth();
    widenTo(width);
    const std::size_t start = m_index.lineStart(line);
    const std::size_t end = m_index.lineEnd(line);
    const std::size_t from = selectionStart();
    const std::size_t to = selectionEnd();
    const QPointF origin = lineOrigin(line);
    const QBrush highlight = palette().brush(QPalette::Highlight);

    QList<QTextLayout::FormatRange> selections;
    if (from < to && from < end && to > start) {
        QTextLayout::FormatRange range;
        range.start = columnOf(std::max(from, start));
        range.length = columnOf(std::min(to, end)) - range.start;
        range.format.setBackground(highlight);
        range.format.setForeground(palette().brush(QPalette::HighlightedText));
        selections.append(range);
    }
    layout.draw(&painter, origin, selections);
    // A selected line end shows as a narrow block after the line.
    if (from <= end && to > end) {
        painter.fillRect(QRectF(origin.x() + width, origin.y(), m_lineEndMark, m_lineHeight),
                         highlight);
    }
    if (hasFocus() && m_index.lineOf(m_cursor) == line) {
        layout.drawCursor(&painter, origin, columnOf(m_cursor));
    }
}

void TagView::paintFocusFrame(QPainter& painter) const {
    QStyleOptionFocusRect option;
    option.initFrom(this);
    option.rect = viewport()->rect();
    option.backgroundColor = palette().color(QPalette::Base);
    style()->drawPrimitive(QStyle::PE_FrameFocusRect, &option, &painter, this);
}

// ---- events ---------------------------------------------------------------

bool TagView::event(QEvent* event) {
    // Ctrl+C and Ctrl+A belong to the view while it has the focus.
    if (event->type() == QEvent::ShortcutOverride) {
        auto* key = static_cast<QKeyEvent*>(event);
        if (key == QKeySequence::Copy || key == QKeySequence::SelectAll) {
            event->accept();
            return true;
        }
    }
    return QAbstractScrollArea::event(event);
}

void TagView::resizeEvent(QResizeEvent* event) {
    QAbstractScrollArea::resizeEvent(event);
    updateScrollBars();
}

void TagView::scrollContentsBy(int, int) {
    viewport()->update();
}

void TagView::changeEvent(QEvent* event) {
    QAbstractScrollArea::changeEvent(event);
    if (event->type() == QEvent::FontChange) {
        measureFont();
        reindex();
        viewport()->update();
    }
}

void TagView::focusInEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusInEvent(event);
    viewport()->update();
}

void TagView::focusOutEvent(QFocusEvent* event) {
    QAbstractScrollArea::focusOutEvent(event);
    viewport()->update();
}

void TagView::keyPressEvent(QKeyEvent* event) {
    if (event == QKeySequence::Copy) {
        copy();
    } else if (event == QKeySequence::SelectAll) {
        selectAll();
    } else if (!navigate(event)) {
        // Typing changes nothing; the key goes on to the window.
        event->ignore();
    }
}

void TagView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_dragging = true;
    m_dragPoint = event->position().toPoint();
    moveCursor(positionAt(event->position()), event->modifiers() & Qt::ShiftModifier);
}

void TagView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    m_dragPoint = event->position().toPoint();
    if (viewport()->rect().contains(m_dragPoint)) {
        m_autoScroll.stop();
        moveCursor(positionAt(event->position()), true);
    } else {
        if (!m_autoScroll.isActive()) {
            m_autoScroll.start(kAutoScrollMs, this);
        }
        autoScrollStep();
    }
}

void TagView::mouseReleaseEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_dragging = false;
        m_autoScroll.stop();
    }
}

void TagView::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    const std::size_t pos = positionAt(event->position(), QTextLine::CursorOnCharacter);
    const std::size_t line = m_index.lineOf(pos);
    if (m_index.lineStart(line) == m_index.lineEnd(line)) {
        return;
    }
    const std::size_t on = pos < m_index.lineEnd(line) ? pos : previousCharacter(pos);
    m_anchor = wordStart(on);
    moveCursor(wordEnd(on), true);
    m_dragging = false;
}

void TagView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    QAction* copyAction = menu.addAction(QStringLiteral(u"コピー(&C)"), this, &TagView::copy);
    copyAction->setObjectName(QStringLiteral("copy"));
    copyAction->setEnabled(selectionStart() != selectionEnd());
    menu.addSeparator();
    QAction* allAction =
        menu.addAction(QStringLiteral(u"すべて選択(&A)"), this, &TagView::selectAll);
    allAction->setObjectName(QStringLiteral("selectAll"));
    allAction->setEnabled(!m_text.empty());
    menu.exec(event->globalPos());
}

void TagView::timerEvent(QTimerEvent* event) {
    if (event->timerId() == m_autoScroll.timerId()) {
        autoScrollStep();
    } else {
        QAbstractScrollArea::timerEvent(event);
    }
}

// Dragging past an edge scrolls that way and extends the selection to the
// text now at the edge.
void TagView::autoScrollStep() {
    const QRect area = viewport()->rect();
    const int dy = m_dragPoint.y() < area.top() ? -1 : m_dragPoint.y() > area.bottom() ? 1 : 0;
    const int dx = m_dragPoint.x() < area.left() ? -1 : m_dragPoint.x() > area.right() ? 1 : 0;
    QScrollBar* vertical = verticalScrollBar();
    QScrollBar* horizontal = horizontalScrollBar();
    vertical->setValue(vertical->value() + dy);
    horizontal->setValue(horizontal->value() + dx * horizontal->singleStep() * 2);
    const QPoint inside(std::clamp(m_dragPoint.x(), area.left(), area.right()),
                        std::clamp(m_dragPoint.y(), area.top(), area.bottom()));
    moveCursor(positionAt(inside), true);
}

// ---- caret movement -------------------------------------------------------

// Keeps a caret inside the text, off the middle of a character and of a CR LF pair.
std::size_t TagView::normalized(std::size_t pos) const {
    pos = std::min(pos, m_text.size());
    while (pos > 0 && pos < m_text.size() &&
           (static_cast<unsigned char>(m_text[pos]) & 0xC0) == 0x80) {
        --pos;
    }
    const std::size_t line = m_index.lineOf(pos);
    return std::min(pos, m_index.lineEnd(line));
}

std::size_t TagView::stepLeft(std::size_t pos) const {
    const std::size_t line = m_index.lineOf(pos);
    const std::size_t start = m_index.lineStart(line);
    if (pos == start) {
        return line == 0 ? pos : m_index.lineEnd(line - 1);
    }
    return positionIn(line, layoutFor(line).previousCursorPosition(columnOf(pos)));
}

std::size_t TagView::stepRight(std::size_t pos) const {
    const std::size_t line = m_index.lineOf(pos);
    if (pos == m_index.lineEnd(line)) {
        return line + 1 == lineCount() ? pos : m_index.lineStart(line + 1);
    }
    return positionIn(line, layoutFor(line).nextCursorPosition(columnOf(pos)));
}

// Start of the word that holds the character at `pos`.
std::size_t TagView::wordStart(std::size_t pos) const {
    const std::size_t start = m_index.lineStart(m_index.lineOf(pos));
    const int kind = wordClass(characterAt(pos));
    while (pos > start && wordClass(characterAt(previousCharacter(pos))) == kind) {
        pos = previousCharacter(pos);
    }
    return pos;
}

// End of the word that holds the character at `pos`.
std::size_t TagView::wordEnd(std::size_t pos) const {
    const std::size_t end = m_index.lineEnd(m_index.lineOf(pos));
    const int kind = wordClass(characterAt(pos));
    while (pos < end && wordClass(characterAt(pos)) == kind) {
        pos = nextCharacter(pos);
    }
    return pos;
}

// The caret `lines` lines up or down, at the x it had before the vertical moves.
std::size_t TagView::verticalStep(std::size_t pos, std::ptrdiff_t lines) {
    if (m_desiredX < 0) {
        m_desiredX = cursorX(pos);
    }
    const auto line = static_cast<std::ptrdiff_t>(m_index.lineOf(pos));
    const auto last = static_cast<std::ptrdiff_t>(lineCount()) - 1;
    const auto target = static_cast<std::size_t>(std::clamp<std::ptrdiff_t>(line + lines, 0, last));
    return positionIn(target, layoutFor(target).lineAt(0).xToCursor(m_desiredX));
}

bool TagView::navigate(const QKeyEvent* event) {
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    const bool control = event->modifiers() & Qt::ControlModifier;
    const std::size_t line = m_index.lineOf(m_cursor);
    const std::size_t start = m_index.lineStart(line);
    const std::size_t end = m_index.lineEnd(line);
    const int page = fullRows();
    QScrollBar* vertical = verticalScrollBar();
    std::size_t pos = m_cursor;
    bool vertically = false;
    switch (event->key()) {
    case Qt::Key_Left:
        pos = control && m_cursor > start ? wordStart(previousCharacter(m_cursor))
                                          : stepLeft(m_cursor);
        break;
    case Qt::Key_Right:
        pos = control && m_cursor < end ? wordEnd(m_cursor) : stepRight(m_cursor);
        break;
    case Qt::Key_Up:
    case Qt::Key_Down:
        pos = verticalStep(m_cursor, event->key() == Qt::Key_Up ? -1 : 1);
        vertically = true;
        break;
    case Qt::Key_PageUp:
    case Qt::Key_PageDown: {
        const int step = event->key() == Qt::Key_PageUp ? -page : page;
        vertical->setValue(vertical->value() + step);
        pos = verticalStep(m_cursor, step);
        vertically = true;
        break;
    }
    case Qt::Key_Home:
        pos = control ? 0 : start;
        break;
    case Qt::Key_End:
        pos = control ? m_text.size() : end;
        break;
    default:
        return false;
    }
    moveCursor(pos, extend, vertically);
    return true;
}

void TagView::moveCursor(std::size_t pos, bool keepAnchor, bool keepDesiredX) {
    const std::size_t oldStart = selectionStart();
    const std::size_t oldEnd = selectionEnd();
    m_cursor = normalized(pos);
    if (!keepAnchor) {
        m_anchor = m_cursor;
    }
    if (!keepDesiredX) {
        m_desiredX = -1;
    }
    ensureCursorVisible();
    viewport()->update();
    if (oldStart != selectionStart() || oldEnd != selectionEnd()) {
        announceSelection();
        emit selectionChanged();
    }
}

void TagView::ensureCursorVisible() {
    const auto line = static_cast<int>(m_index.lineOf(m_cursor));
    QScrollBar* vertical = verticalScrollBar();
    const int rows = fullRows();
    if (line < vertical->value()) {
        vertical->setValue(line);
    } else if (line >= vertical->value() + rows) {
        vertical->setValue(line - rows + 1);
    }
    const qreal x = cursorX(m_cursor);
    widenTo(x + m_lineEndMark);
    QScrollBar* horizontal = horizontalScrollBar();
    const int left = horizontal->value();
    const int width = viewport()->width() - 2 * kMargin;
    if (x < left) {
        horizontal->setValue(qFloor(x));
    } else if (x + 1 > left + width) {
        horizontal->setValue(qCeil(x + 1 - width));
    }
}

void TagView::announceSelection() {
    if (!QAccessible::isActive()) {
        return;
    }
    QAccessibleTextSelectionEvent selection(this, clampToInt(m_utf16.toUtf16(selectionStart())),
                                            clampToInt(m_utf16.toUtf16(selectionEnd())));
    selection.setCursorPosition(clampToInt(m_utf16.toUtf16(m_cursor)));
    QAccessible::updateAccessibility(&selection);
}

} // namespace quorvane::ui
