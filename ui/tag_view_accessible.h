#pragma once

#include <QAccessibleWidget>

namespace quorvane::ui {

class TagView;

// What assistive tools see of a TagView: a read-only multi-line text whose
// value is the text in sight, with the text interface over the whole text.
class TagViewAccessible final : public QAccessibleWidget, public QAccessibleTextInterface {
public:
    explicit TagViewAccessible(TagView* view);

    // Registers the factory once per process.
    static void install();

    QAccessible::State state() const override;
    QString text(QAccessible::Text kind) const override;
    void* interface_cast(QAccessible::InterfaceType type) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

private:
    TagView* view() const;
    std::size_t byteAt(int offset) const;
    int unitsAt(std::size_t byte) const;
    void lineAround(int offset, int* startOffset, int* endOffset) const;
};

} // namespace quorvane::ui
