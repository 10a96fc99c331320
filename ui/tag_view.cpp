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

#include "quorvane/window/utf8.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <limits>
#include <stdexcept>

namespace quorvane::ui {
namespace {

using window::CaretMove;
namespace utf8 = window::utf8;

// Room between the frame and the text.
constexpr int kMargin = 3;
constexpr int kTabColumns = 8;
constexpr int kAutoScrollMs = 50;
// The most UTF-16 units a QString can hold.
constexpr std::size_t kMaxStringUnits =
    (static_cast<std::size_t>(std::numeric_limits<qsizetype>::max()) - 64) / sizeof(char16_t);

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
    updateContentWidth();
}

TagView::~TagView() = default;

void TagView::setText(std::string utf8) {
    m_document.setText(std::move(utf8), m_bounds);
    textReplaced();
}

void TagView::setText(window::IndexedText table) {
    m_document.setText(std::move(table), m_bounds);
    textReplaced();
}

void TagView::textReplaced() {
    const bool hadSelection = m_cursor.hasSelection();
    m_cursor.reset();
    m_layouts.clear();
    updateContentWidth();
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
    return textBetween(0, text().size());
}

QString TagView::selectedText() const {
    return textBetween(selectionStart(), selectionEnd());
}

void TagView::setSelection(std::size_t anchor, std::size_t cursor) {
    changeCursor([&] { m_cursor.select(anchor, cursor); });
}

void TagView::selectAll() {
    changeCursor([&] { m_cursor.selectAll(); });
}

// A selection too long for a QString, or memory refused on the way, is told
// to the window instead of reaching the event loop.
void TagView::copy() {
    if (!m_cursor.hasSelection()) {
        return;
    }
    QString selected;
    try {
        selected = selectedText();
    } catch (const std::exception&) { // std::length_error, std::bad_alloc
        emit copyFailed();
        return;
    }
    QGuiApplication::clipboard()->setText(selected);
}

// ---- geometry -------------------------------------------------------------

void TagView::measureFont() {
    const QFontMetricsF metrics(font());
    const qreal wide = std::max({metrics.maxWidth(), metrics.horizontalAdvance(QChar(u'あ')),
                                 metrics.horizontalAdvance(QChar(u'漢')),
                                 metrics.horizontalAdvance(QChar(u'Ｗ'))});
    const qreal space = metrics.horizontalAdvance(QChar(u' '));
    auto& advance = m_bounds.advance;
    advance[std::size_t(window::WidthClass::Narrow)] = toUnits(widestOf(metrics, 0x20, 0x7E));
    advance[std::size_t(window::WidthClass::HalfWidth)] =
        toUnits(widestOf(metrics, 0xFF61, 0xFF9F));
    advance[std::size_t(window::WidthClass::Wide)] = toUnits(wide);
    advance[std::size_t(window::WidthClass::Tab)] = toUnits(space * kTabColumns);
    m_lineHeight = std::max(1, qCeil(metrics.lineSpacing()));
    m_lineEndMark = std::max<qreal>(1, space / 2);
}

// The scroll range for the width bound of the current lines.
void TagView::updateContentWidth() {
    const auto widest = static_cast<qreal>(lines().widestBound()) / 64;
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
    return textBetween(lines().lineStart(line), lines().lineEnd(line));
}

QString TagView::textBetween(std::size_t start, std::size_t end) const {
    const std::string_view part = std::string_view(text()).substr(start, end - start);
    QString units(static_cast<qsizetype>(utf8::utf16Length(part, kMaxStringUnits)),
                  Qt::Uninitialized);
    utf8::writeUtf16(part, reinterpret_cast<char16_t*>(units.data()));
    return units;
}

// The UTF-16 column of `pos` in its line, as its layout counts.
int TagView::columnOf(std::size_t pos) const {
    const std::size_t start = lines().lineStart(lines().lineOf(pos));
    return static_cast<int>(utf8::utf16Units(std::string_view(text()).substr(start, pos - start)));
}

double TagView::caretX(std::size_t line, std::size_t pos) const {
    return layoutFor(line).lineAt(0).cursorToX(columnOf(pos));
}

std::size_t TagView::caretAt(std::size_t line, double x) const {
    return positionIn(line, layoutFor(line).lineAt(0).xToCursor(x));
}

// The byte offset of UTF-16 column `column` of `line`.
std::size_t TagView::positionIn(std::size_t line, int column) const {
    const std::size_t start = lines().lineStart(line);
    const std::string_view chars =
        std::string_view(text()).substr(start, lines().lineEnd(line) - start);
    return start + utf8::bytesForUnits(chars, static_cast<std::size_t>(std::max(column, 0)));
}

std::size_t TagView::pageLines() const {
    return static_cast<std::size_t>(fullRows());
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

QRectF TagView::lineRect(std::size_t line) const {
    const QPointF origin = lineOrigin(line);
    return {origin, QSizeF(layoutFor(line).lineAt(0).naturalTextWidth(), m_lineHeight)};
}

QRect TagView::characterRect(std::size_t pos) const {
    pos = m_document.caretPlace(pos);
    const std::size_t line = lines().lineOf(pos);
    const QPointF origin = lineOrigin(line);
    const qreal x = caretX(line, pos);
    const qreal next =
        pos < lines().lineEnd(line) ? caretX(line, utf8::next(text(), pos)) : x + m_lineEndMark;
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
    return textBetween(lines().lineStart(first), lines().lineEnd(last));
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
    const std::size_t start = lines().lineStart(line);
    const std::size_t end = lines().lineEnd(line);
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
    if (hasFocus() && lines().lineOf(cursorPosition()) == line) {
        layout.drawCursor(&painter, origin, columnOf(cursorPosition()));
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
        m_document.remeasure(m_bounds);
        m_layouts.clear();
        updateContentWidth();
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

// Typing changes nothing; a key the box does not take goes on to the window.
void TagView::keyPressEvent(QKeyEvent* event) {
    if (!act(event)) {
        event->ignore();
    }
}

void TagView::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton) {
        return;
    }
    m_dragging = true;
    m_dragPoint = event->position().toPoint();
    const bool extend = event->modifiers() & Qt::ShiftModifier;
    changeCursor([&] { m_cursor.moveTo(positionAt(event->position()), extend); });
}

void TagView::mouseMoveEvent(QMouseEvent* event) {
    if (!m_dragging || !(event->buttons() & Qt::LeftButton)) {
        return;
    }
    m_dragPoint = event->position().toPoint();
    if (viewport()->rect().contains(m_dragPoint)) {
        m_autoScroll.stop();
        changeCursor([&] { m_cursor.moveTo(positionAt(event->position()), true); });
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
    changeCursor([&] { m_cursor.selectWordAt(pos); });
    m_dragging = false;
}

void TagView::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    for (const window::BoxMenuItem& item : window::boxMenu()) {
        if (item.separatorBefore) {
            menu.addSeparator();
        }
        QAction* action = menu.addAction(QString::fromUtf8(item.caption), this,
                                         [this, command = item.command] { run({command}); });
        action->setObjectName(item.command == window::BoxCommand::Copy
                                  ? QStringLiteral("copy")
                                  : QStringLiteral("selectAll"));
        action->setEnabled(window::boxMenuEnabled(item.command, selectionStart() != selectionEnd(),
                                                  !text().empty()));
    }
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
    changeCursor([&] { m_cursor.moveTo(positionAt(inside), true); });
}

// ---- caret movement -------------------------------------------------------

namespace {

window::BoxKey boxKey(int key) {
    using window::BoxKey;
    constexpr std::pair<int, BoxKey> kKeys[] = {
        {Qt::Key_Left, BoxKey::Left},     {Qt::Key_Right, BoxKey::Right},
        {Qt::Key_Up, BoxKey::Up},         {Qt::Key_Down, BoxKey::Down},
        {Qt::Key_PageUp, BoxKey::PageUp}, {Qt::Key_PageDown, BoxKey::PageDown},
        {Qt::Key_Home, BoxKey::Home},     {Qt::Key_End, BoxKey::End},
        {Qt::Key_A, BoxKey::A},           {Qt::Key_C, BoxKey::C},
        {Qt::Key_Insert, BoxKey::Insert}};
    for (const auto& [qt, box] : kKeys) {
        if (qt == key) {
            return box;
        }
    }
    return BoxKey::Other;
}

} // namespace

// Carries out the box's key map; false for a key it does not take.
bool TagView::act(const QKeyEvent* event) {
    const std::optional<window::BoxAction> action =
        window::boxKeyAction(boxKey(event->key()), event->modifiers() & Qt::ControlModifier,
                             event->modifiers() & Qt::ShiftModifier);
    if (!action) {
        return false;
    }
    run(*action);
    return true;
}

void TagView::run(const window::BoxAction& action) {
    switch (action.command) {
    case window::BoxCommand::Copy:
        copy();
        return;
    case window::BoxCommand::SelectAll:
        selectAll();
        return;
    case window::BoxCommand::Move:
        break;
    }
    QScrollBar* vertical = verticalScrollBar();
    vertical->setValue(vertical->value() + action.scrollPages * fullRows());
    changeCursor([&] { m_cursor.move(action.move, action.extend, *this); });
}

template <typename Change> void TagView::changeCursor(Change change) {
    const std::size_t oldStart = selectionStart();
    const std::size_t oldEnd = selectionEnd();
    change();
    ensureCursorVisible();
    viewport()->update();
    if (oldStart != selectionStart() || oldEnd != selectionEnd()) {
        announceSelection();
        emit selectionChanged();
    }
}

void TagView::ensureCursorVisible() {
    const std::size_t caret = cursorPosition();
    const auto line = static_cast<int>(lines().lineOf(caret));
    QScrollBar* vertical = verticalScrollBar();
    const int rows = fullRows();
    if (line < vertical->value()) {
        vertical->setValue(line);
    } else if (line >= vertical->value() + rows) {
        vertical->setValue(line - rows + 1);
    }
    const qreal x = caretX(lines().lineOf(caret), caret);
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
    const window::Utf16Offsets& utf16 = m_document.utf16();
    QAccessibleTextSelectionEvent selection(this, clampToInt(utf16.toUtf16(selectionStart())),
                                            clampToInt(utf16.toUtf16(selectionEnd())));
    selection.setCursorPosition(clampToInt(utf16.toUtf16(cursorPosition())));
    QAccessible::updateAccessibility(&selection);
}

} // namespace quorvane::ui
