#include "tag_view_accessible.h"

#include "tag_view.h"

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
        *startOffset = static_cast<int>(view()->selectionStart());
        *endOffset = static_cast<int>(view()->selectionEnd());
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
        view()->setSelection(static_cast<std::size_t>(startOffset),
                             static_cast<std::size_t>(endOffset));
    }
}

int TagViewAccessible::cursorPosition() const {
    return static_cast<int>(view()->cursorPosition());
}

void TagViewAccessible::setCursorPosition(int position) {
    const auto pos = static_cast<std::size_t>(std::max(0, position));
    view()->setSelection(pos, pos);
}

QString TagViewAccessible::text(int startOffset, int endOffset) const {
    const std::u16string& text = view()->text();
    const auto start = std::min<std::size_t>(std::max(0, startOffset), text.size());
    const auto end = std::clamp<std::size_t>(std::max(0, endOffset), start, text.size());
    return QString(reinterpret_cast<const QChar*>(text.data() + start),
                   static_cast<qsizetype>(end - start));
}

void TagViewAccessible::lineAround(int offset, int* startOffset, int* endOffset) const {
    const LineIndex& lines = view()->lines();
    const std::size_t line = lines.lineOf(static_cast<std::size_t>(std::max(0, offset)));
    *startOffset = static_cast<int>(lines.lineStart(line));
    *endOffset = static_cast<int>(lines.lineEnd(line));
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
    if (before > 0 && view()->text()[before] == u'\n' && view()->text()[before - 1] == u'\r') {
        --before;
    }
    return textAtOffset(before, boundaryType, startOffset, endOffset);
}

QString TagViewAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                           int* startOffset, int* endOffset) const {
    int start = 0;
    int end = 0;
    textAtOffset(offset, boundaryType, &start, &end);
    const std::u16string& text = view()->text();
    std::size_t next = static_cast<std::size_t>(end);
    if (boundaryType == QAccessible::LineBoundary ||
        boundaryType == QAccessible::ParagraphBoundary ||
        boundaryType == QAccessible::SentenceBoundary) {
        next += next + 1 < text.size() && text[next] == u'\r' && text[next + 1] == u'\n' ? 2 : 1;
    }
    if (end < 0 || next > text.size() || end == start) {
        *startOffset = *endOffset = -1;
        return {};
    }
    return textAtOffset(static_cast<int>(next), boundaryType, startOffset, endOffset);
}

int TagViewAccessible::characterCount() const {
    return static_cast<int>(std::min<std::size_t>(view()->text().size(), INT_MAX));
}

QRect TagViewAccessible::characterRect(int offset) const {
    const QRect inView = view()->characterRect(static_cast<std::size_t>(std::max(0, offset)));
    return inView.translated(view()->viewport()->mapToGlobal(QPoint(0, 0)));
}

int TagViewAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint inView = view()->viewport()->mapFromGlobal(point);
    if (!view()->viewport()->rect().contains(inView)) {
        return -1;
    }
    return static_cast<int>(view()->positionAt(inView));
}

void TagViewAccessible::scrollToSubstring(int startIndex, int endIndex) {
    Q_UNUSED(endIndex);
    const std::size_t line =
        view()->lines().lineOf(static_cast<std::size_t>(std::max(0, startIndex)));
    view()->verticalScrollBar()->setValue(static_cast<int>(line));
}

QString TagViewAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = offset;
    return {};
}

} // namespace quorvane::ui
