#include "tag_view_accessible.h"

#include "quorvane/ui/tag_view.h"

#include <QScrollBar>
#include <QTextBoundaryFinder>

#include <algorithm>
#include <climits>

namespace quorvane::ui {
namespace {

QAccessibleInterface* tagViewFactory(const QString&, QObject* object) {
    if (auto* view = qobject_cast<TagView*>(object)) {
        return new TagViewAccessible(view);
    }
    return nullptr;
}

} // namespace

TagViewAccessible::TagViewAccessible(TagView* view)
    : QAccessibleWidget(view, QAccessible::EditableText) {}

void TagViewAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(tagViewFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

TagView* TagViewAccessible::view() const {
    return static_cast<TagView*>(widget());
}

// The view counts bytes of UTF-8; assistive tools count UTF-16 units.
std::size_t TagViewAccessible::byteAt(int offset) const {
    return view()->document().utf16().toByte(static_cast<std::size_t>(std::max(0, offset)));
}

int TagViewAccessible::unitsAt(std::size_t byte) const {
    return static_cast<int>(
        std::min<std::size_t>(view()->document().utf16().toUtf16(byte), INT_MAX));
}

QAccessible::State TagViewAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    state.readOnly = true;
    state.multiLine = true;
    state.selectableText = true;
    state.focusable = true;
    return state;
}

QString TagViewAccessible::text(QAccessible::Text kind) const {
    if (kind == QAccessible::Value) {
        return view()->visibleText();
    }
    return QAccessibleWidget::text(kind);
}

void* TagViewAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) {
        return static_cast<QAccessibleTextInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

void TagViewAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    if (selectionIndex == 0 && selectionCount() == 1) {
        *startOffset = unitsAt(view()->selectionStart());
        *endOffset = unitsAt(view()->selectionEnd());
    }
}

int TagViewAccessible::selectionCount() const {
    return view()->selectionStart() != view()->selectionEnd() ? 1 : 0;
}

void TagViewAccessible::addSelection(int startOffset, int endOffset) {
    setSelection(0, startOffset, endOffset);
}

void TagViewAccessible::removeSelection(int selectionIndex) {
    if (selectionIndex == 0) {
        setCursorPosition(cursorPosition());
    }
}

void TagViewAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    if (selectionIndex == 0 && startOffset >= 0 && endOffset >= 0) {
        view()->setSelection(byteAt(startOffset), byteAt(endOffset));
    }
}

int TagViewAccessible::cursorPosition() const {
    return unitsAt(view()->cursorPosition());
}

void TagViewAccessible::setCursorPosition(int position) {
    const std::size_t pos = byteAt(position);
    view()->setSelection(pos, pos);
}

QString TagViewAccessible::text(int startOffset, int endOffset) const {
    const std::size_t start = byteAt(startOffset);
    return view()->textBetween(start, std::max(start, byteAt(endOffset)));
}

void TagViewAccessible::lineAround(int offset, int* startOffset, int* endOffset) const {
    const window::LineIndex& lines = view()->lines();
    const std::size_t line = lines.lineOf(byteAt(offset));
    *startOffset = unitsAt(lines.lineStart(line));
    *endOffset = unitsAt(lines.lineEnd(line));
}

QString TagViewAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                        int* startOffset, int* endOffset) const {
    const int count = characterCount();
    if (offset < 0 || offset > count) {
        *startOffset = *endOffset = -1;
        return {};
    }
    if (boundaryType == QAccessible::NoBoundary) {
        *startOffset = 0;
        *endOffset = count;
        return text(0, count);
    }
    int lineStart = 0;
    int lineEnd = 0;
    lineAround(offset, &lineStart, &lineEnd);
    if (boundaryType == QAccessible::LineBoundary ||
        boundaryType == QAccessible::ParagraphBoundary ||
        boundaryType == QAccessible::SentenceBoundary) {
        *startOffset = lineStart;
        *endOffset = lineEnd;
        return text(lineStart, lineEnd);
    }
    // Characters and words: look within the line only.
    const QString line = text(lineStart, lineEnd);
    QTextBoundaryFinder finder(boundaryType == QAccessible::WordBoundary
                                   ? QTextBoundaryFinder::Word
                                   : QTextBoundaryFinder::Grapheme,
                               line);
    finder.setPosition(offset - lineStart);
    const int at = finder.position();
    const int before = finder.isAtBoundary() && at < line.size() ? at : finder.toPreviousBoundary();
    finder.setPosition(std::max(before, 0));
    const int after = finder.toNextBoundary();
    *startOffset = lineStart + std::max(before, 0);
    *endOffset = lineStart + (after < 0 ? static_cast<int>(line.size()) : after);
    return text(*startOffset, *endOffset);
}

QString TagViewAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                            int* startOffset, int* endOffset) const {
    int start = 0;
    int end = 0;
    textAtOffset(offset, boundaryType, &start, &end);
    if (start <= 0) {
        *startOffset = *endOffset = -1;
        return {};
    }
    // A line before is one line end back.
    int before = start - 1;
    const std::string_view text = view()->text();
    const std::size_t at = byteAt(before);
    if (at > 0 && text[at] == '\n' && text[at - 1] == '\r') {
        --before;
    }
    return textAtOffset(before, boundaryType, startOffset, endOffset);
}

QString TagViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int* startOffset, int* endOffset) const {
    int start = 0;
    int end = 0;
    textAtOffset(offset, boundaryType, &start, &end);
    const std::string_view text = view()->text();
    const std::size_t at = byteAt(end);
    int next = end;
    if (boundaryType == QAccessible::LineBoundary ||
        boundaryType == QAccessible::ParagraphBoundary ||
        boundaryType == QAccessible::SentenceBoundary) {
        next += at + 1 < text.size() && text[at] == '\r' && text[at + 1] == '\n' ? 2 : 1;
    }
    if (end < 0 || next > characterCount() || end == start) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return textAtOffset(next, boundaryType, startOffset, endOffset);
}

int TagViewAccessible::characterCount() const {
    return unitsAt(view()->text().size());
}

QRect TagViewAccessible::characterRect(int offset) const {
    const QRect inView = view()->characterRect(byteAt(offset));
    return inView.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
}

int TagViewAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint inView = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(inView)) {
        return -1;
    }
    return unitsAt(view()->positionAt(inView));
}

void TagViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    Q_UNUSED(endIndex);
    const std::size_t line = view()->lines().lineOf(byteAt(startIndex));
    view()->verticalScrollBar()->setValue(static_cast<int>(line));
}

QString TagViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return {};
}

} // namespace quorvane::ui
