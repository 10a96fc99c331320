#include "quorvane/ui/fonts.h"
#include "quorvane/ui/tag_view.h"

#include <QTest>
#include <QtWidgets>

#include <climits>

using namespace quorvane::ui;

namespace {

// The byte offset of UTF-16 column `column` of `text`.
std::size_t at(const QString& text, int column) {
    return std::size_t(text.left(column).toUtf8().size());
}

const QString kTable = QStringLiteral(u"<table>\r\n<tr>\r\n<td align=right>abc</td>\r\n"
                                      u"<td>東京都千代田区</td>\r\n<td>ｶﾀｶﾅ and ASCII</td>\r\n"
                                      u"</tr>\r\n</table>");

// A cell line of many kinds of word: kanji, kana, ASCII, half-width kana, an
// iteration mark, a character outside the basic plane, full-width letters.
const QString kMixed =
    QStringLiteral(u"<td class=x>東京タワーとabc_12 ﾃｽﾄ　人々は𠮷野家でＡＢＣ１２を</td>");

QString numbered(int count, const QString& pattern, const QString& end = QStringLiteral("\r\n")) {
    QString text;
    for (int i = 0; i < count; ++i) {
        text += pattern.arg(i) + end;
    }
    return text;
}

} // namespace

class TagViewTest final : public QObject {
    Q_OBJECT
    QWidget* m_window = nullptr;
    TagView* m_view = nullptr;

    void mouse(QEvent::Type type, QPointF point, Qt::KeyboardModifiers modifiers = {}) {
        const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
        const Qt::MouseButtons held =
            type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
        QMouseEvent event(type, point, m_view->viewport()->mapToGlobal(point), button, held,
                          modifiers);
        QCoreApplication::sendEvent(m_view->viewport(), &event);
    }

    // A point `fraction` of the way across the character at `column` of line
    // 1, measured with the view's own font.
    QPointF charPoint(const QString& line, int column, qreal fraction) const {
        const QFontMetricsF metrics(m_view->font(), m_view->viewport());
        const qreal left = metrics.horizontalAdvance(line.left(column));
        const int width = line.at(column).isHighSurrogate() ? 2 : 1;
        const qreal right = metrics.horizontalAdvance(line.left(column + width));
        const QRectF box = m_view->lineRect(1);
        return {box.left() + left + fraction * (right - left), box.center().y()};
    }

private slots:
    void init() {
        m_window = new QWidget;
        m_window->resize(600, 260);
        m_view = new TagView(m_window);
        m_view->setFont(gothicFont(9));
        m_view->setGeometry(7, 7, 589, 246);
        m_window->show();
        QVERIFY(QTest::qWaitForWindowExposed(m_window));
        m_view->setFocus();
        QCOMPARE(m_view->viewport()->cursor().shape(), Qt::IBeamCursor);
    }

    void cleanup() { delete m_window; }

    // Each key the view maps, from the start of a text, then Ctrl+C: what
    // lands on the clipboard. Those keys are taken; typing, deleting, cutting
    // and pasting change nothing and go on to the window. Ctrl+C and Ctrl+A
    // reach the view before any shortcut of the window.
    void keysSelectAndCopyExactly() {
        const QString many = QStringLiteral("a\r\n") + QStringLiteral("b\r\n").repeated(99);
        const QStringList passedOn = QString("X Return Tab Backspace Delete Escape F2 Ctrl+X "
                                             "Ctrl+V Shift+Ins")
                                         .split(u' ');
        const std::tuple<QString, QStringView, QStringView> rows[] = {
            {"Down Down End Shift+Ctrl+Left Shift+Left", kTable, u"d>"},
            {"Down Down Right Shift+Ctrl+Right", kTable, u"td"},
            {"Ctrl+End Home Shift+Ctrl+End", kTable, u"</table>"},
            {"Ctrl+End Shift+Ctrl+Home", kTable, kTable},
            {"Ctrl+End Shift+Up", kTable, u"\r\n</table>"},
            {"PgDown PgUp Shift+Down", many, u"a\r\n"},
            {"Ctrl+A " + passedOn.join(u' '), kTable, kTable}};
        for (const auto& [keys, text, copied] : rows) {
            m_view->setText(text.toString().toStdString());
            QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
            for (const QString& key : (keys + QStringLiteral(" Ctrl+C")).split(u' ')) {
                const QKeyCombination chord = QKeySequence(key)[0];
                QKeyEvent press(QEvent::KeyPress, chord.key(), chord.keyboardModifiers());
                QKeyEvent override(QEvent::ShortcutOverride, chord.key(),
                                   chord.keyboardModifiers());
                override.ignore();
                QCoreApplication::sendEvent(m_view, &override);
                QCoreApplication::sendEvent(m_view, &press);
                const bool shortcut =
                    key == QStringLiteral("Ctrl+C") || key == QStringLiteral("Ctrl+A");
                QCOMPARE(std::tuple(key, press.isAccepted(), override.isAccepted()),
                         std::tuple(key, !passedOn.contains(key), shortcut));
            }
            QCOMPARE(std::tuple(keys, QGuiApplication::clipboard()->text(), m_view->textString()),
                     std::tuple(keys, copied.toString(), text.toString()));
        }
    }

    // On the second line, for each kind of word: a click on the left or right
    // part of the character at `column`, a drag over `length` units (the
    // mouse moved after the release selects no more),
    // Shift+click back to the line start, and a double-click, which takes the
    // word under the mouse.
    void mouseClicksDragsAndWords() {
        const std::tuple<int, int, const char16_t*> rows[] = {
            {1, 3, u"td"}, {12, 2, u"東京"}, {26, 3, u"ﾃｽﾄ"}, {32, 4, u"𠮷野家"}};
        m_view->setText(
            (QStringLiteral("<tr>\r\n") + kMixed + QStringLiteral("\r\n</tr>")).toStdString());
        const std::size_t start = m_view->lines().lineStart(1);
        for (const auto& [column, length, word] : rows) {
            const int next = column + (kMixed.at(column).isHighSurrogate() ? 2 : 1);
            for (const auto& [fraction, caret] : {std::pair(0.3, column), std::pair(0.7, next)}) {
                mouse(QEvent::MouseButtonPress, charPoint(kMixed, column, fraction));
                mouse(QEvent::MouseButtonRelease, charPoint(kMixed, column, fraction));
                QCOMPARE(m_view->cursorPosition(), start + at(kMixed, caret));
            }
            mouse(QEvent::MouseButtonPress, charPoint(kMixed, column, 0.2));
            mouse(QEvent::MouseMove, charPoint(kMixed, column + length / 2, 0.5));
            mouse(QEvent::MouseMove, charPoint(kMixed, column + length - 1, 0.8));
            mouse(QEvent::MouseButtonRelease, charPoint(kMixed, column + length - 1, 0.8));
            mouse(QEvent::MouseMove, charPoint(kMixed, column + length + 2, 0.5));
            QCOMPARE(m_view->selectedText(), kMixed.mid(column, length));
            mouse(QEvent::MouseButtonPress, charPoint(kMixed, 0, 0.1), Qt::ShiftModifier);
            mouse(QEvent::MouseButtonRelease, charPoint(kMixed, 0, 0.1), Qt::ShiftModifier);
            QCOMPARE(m_view->selectedText(), kMixed.left(column));
            for (const QEvent::Type type :
                 {QEvent::MouseButtonPress, QEvent::MouseButtonRelease, QEvent::MouseButtonDblClick,
                  QEvent::MouseButtonRelease}) {
                mouse(type, charPoint(kMixed, column, 0.6));
            }
            QCOMPARE(m_view->selectedText(), QString::fromUtf16(word));
        }
        // A drag held past the bottom right corner scrolls both ways, a line
        // and two steps across at a time, and selects up to the text now at
        // that corner.
        m_view->setText(numbered(100, QStringLiteral("<td>%1</td>").repeated(40)).toStdString());
        const QPoint corner = m_view->viewport()->rect().bottomRight() + QPoint(30, 30);
        mouse(QEvent::MouseButtonPress, QPointF(5, 5));
        for (int i = 0; i < 3; ++i) {
            mouse(QEvent::MouseMove, corner);
        }
        mouse(QEvent::MouseButtonRelease, corner);
        QScrollBar* vertical = m_view->verticalScrollBar();
        QScrollBar* horizontal = m_view->horizontalScrollBar();
        QVERIFY(vertical->value() >= 3 && horizontal->value() >= 6 * horizontal->singleStep());
        QCOMPARE(m_view->lines().lineOf(m_view->selectionEnd()),
                 std::size_t(vertical->value() + vertical->pageStep() - 1));
    }

    // Ctrl+End and End scroll to the very end: the last line whole in sight,
    // the longest line's end reached (Home scrolls back); new text starts
    // again at the top left.
    void scrollReachesLastLineAndLongestEnd() {
        const std::tuple<QString, int, const char*> rows[] = {
            {QString(300, u'W'), 500, "\r\n"},
            {QString(200, u'漢'), 40, "\n"},
            {QString(250, u'ｶ'), 3, "\r"},
            {QStringLiteral(u"a\tb\t漢字ｶﾅ\tend").repeated(20), 1000, "\r\n"}};
        for (const auto& [longest, lines, lineEnd] : rows) {
            m_view->setText(
                (numbered(lines, QStringLiteral("<td>%1</td>"), lineEnd) + longest).toStdString());
            QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
            QTest::keyClick(m_view, Qt::Key_End);
            QScrollBar* vertical = m_view->verticalScrollBar();
            QScrollBar* horizontal = m_view->horizontalScrollBar();
            QVERIFY(vertical->value() == vertical->maximum() && horizontal->value() > 0);
            QTest::keyClick(m_view, Qt::Key_Home);
            QCOMPARE(horizontal->value(), 0);
            QTest::keyClick(m_view, Qt::Key_End);
            horizontal->setValue(horizontal->maximum());
            const QRectF last = m_view->lineRect(std::size_t(lines));
            QVERIFY(last.top() >= 0 && last.bottom() <= m_view->viewport()->height());
            QVERIFY2(last.right() <= m_view->viewport()->width(), "the end cannot be scrolled to");
            const qreal end = QFontMetricsF(m_view->font()).horizontalAdvance(longest);
            QVERIFY(longest.contains(u'\t') ||
                    end + last.left() >=
                        m_view->viewport()->width() - m_view->fontMetrics().height());
            m_view->setText(kTable.toStdString());
            QCOMPARE(std::tuple(vertical->value(), horizontal->value(), m_view->selectedText()),
                     std::tuple(0, 0, QString()));
        }
        // A tab reaches the next stop, eight spaces on.
        m_view->setText("\tW");
        const int tab = m_view->characterRect(1).left() - m_view->characterRect(0).left();
        QVERIFY(qAbs(tab - 8 * QFontMetricsF(m_view->font()).horizontalAdvance(u' ')) <= 1);
        // A larger font widens and heightens what is scrolled over.
        m_view->setText(std::string(300, 'W'));
        const int small = m_view->horizontalScrollBar()->maximum();
        const qreal height = m_view->lineRect(0).height();
        m_view->setFont(gothicFont(18));
        QVERIFY(m_view->horizontalScrollBar()->maximum() > 2 * small &&
                m_view->lineRect(0).height() > height * 3 / 2);
    }

    // What the view selects, backwards too, assistive tools read in UTF-16
    // offsets; what they select or unselect, the view does. They read characters, words and
    // lines around an offset (0: at, 1: before, 2: after); -1 where there is none.
    void accessibilityInUtf16() {
        // Text before the selection: a line of that many 東 (several 64 KiB
        // blocks), then the rest.
        const std::tuple<int, QStringView, QStringView> selections[] = {
            {0, u"<td>", u"abc"}, {0, u"<td>東京\r\n", u"都ｶﾅ"}, {70000, u"\r\n𠮷\r", u"野\n𠮷"}};
        QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(m_view);
        QAccessibleTextInterface* textual = accessible->textInterface();
        m_view->setAccessibleName(QStringLiteral(u"出力"));
        QVERIFY(accessible->state().readOnly && accessible->state().multiLine);
        QCOMPARE(accessible->text(QAccessible::Name), QStringLiteral(u"出力"));
        for (const auto& [repeat, rest, selected] : selections) {
            const QString before = QString(repeat, u'東') + rest.toString();
            const QString text = before + selected.toString() + QStringLiteral("</td>");
            const int start = int(before.size()), end = start + int(selected.size());
            m_view->setText(text.toStdString());
            m_view->setSelection(at(text, end), at(text, start));
            int from = -1, to = -1;
            textual->selection(0, &from, &to);
            QCOMPARE(std::tuple(from, to, textual->text(from, to), textual->cursorPosition(),
                                textual->characterCount(), textual->selectionCount()),
                     std::tuple(start, end, selected.toString(), start, int(text.size()), 1));
            textual->setSelection(0, 0, start);
            textual->setSelection(1, 0, 1);
            textual->setSelection(0, -1, 1);
            QCOMPARE(m_view->selectedText(), before);
            textual->removeSelection(0);
            textual->selection(0, &from, &to);
            QCOMPARE(std::tuple(from, to, textual->selectionCount(), m_view->cursorPosition()),
                     std::tuple(0, 0, 0, at(text, start)));
        }
        const QString text = QStringLiteral(u"<td>東京 ab</td>\r\n𠮷野\r\rz");
        const std::tuple<int, int, QAccessible::TextBoundaryType, QStringView, int, int> rows[] = {
            {0, -1, QAccessible::CharBoundary, u"", -1, -1},
            {0, 23, QAccessible::CharBoundary, u"", -1, -1},
            {0, 0, QAccessible::CharBoundary, u"<", 0, 1},
            {0, 17, QAccessible::CharBoundary, u"𠮷", 16, 18},
            {0, 22, QAccessible::CharBoundary, u"z", 21, 22},
            {0, 8, QAccessible::WordBoundary, u"ab", 7, 9},
            {0, 5, QAccessible::NoBoundary, text, 0, 22},
            {0, 18, QAccessible::LineBoundary, u"𠮷野", 16, 19},
            {0, 3, QAccessible::ParagraphBoundary, u"<td>東京 ab</td>", 0, 14},
            {0, 17, QAccessible::SentenceBoundary, u"𠮷野", 16, 19},
            {1, 21, QAccessible::LineBoundary, u"", 20, 20},
            {1, 16, QAccessible::LineBoundary, u"<td>東京 ab</td>", 0, 14},
            {1, 3, QAccessible::LineBoundary, u"", -1, -1},
            {2, 0, QAccessible::LineBoundary, u"𠮷野", 16, 19},
            {2, 21, QAccessible::LineBoundary, u"", -1, -1},
            {2, 7, QAccessible::WordBoundary, u"<", 9, 10}};
        m_view->setText(text.toStdString());
        for (const auto& [way, offset, boundary, expected, start, end] : rows) {
            int from = 0, to = 0;
            const QString got = way == 0   ? textual->textAtOffset(offset, boundary, &from, &to)
                                : way == 1 ? textual->textBeforeOffset(offset, boundary, &from, &to)
                                           : textual->textAfterOffset(offset, boundary, &from, &to);
            QCOMPARE(std::tuple(way, offset, got, from, to),
                     std::tuple(way, offset, expected.toString(), start, end));
        }
    }

    // The context menu: Copy only with a selection, Select All only with text.
    void contextMenuCopiesAndSelectsAll() {
        const std::tuple<const char*, std::size_t, const char*, bool, bool, QString> rows[] = {
            {"", 0, "selectAll", false, false, {}},
            {"<td>東京</td>", 0, "selectAll", false, true, QStringLiteral(u"<td>東京</td>")},
            {"<td>東京</td>", 4, "copy", true, true, QStringLiteral("<td>")}};
        for (const auto& [text, selected, pick, canCopy, canSelect, result] : rows) {
            m_view->setText(text);
            m_view->setSelection(0, selected);
            QGuiApplication::clipboard()->setText(QStringLiteral("before"));
            bool seen[2] = {};
            QTimer::singleShot(0, m_view, [&, pick] {
                auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
                seen[0] = menu->findChild<QAction*>(QStringLiteral("copy"))->isEnabled();
                seen[1] = menu->findChild<QAction*>(QStringLiteral("selectAll"))->isEnabled();
                menu->findChild<QAction*>(pick)->trigger();
                menu->close();
            });
            QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                                    m_view->viewport()->mapToGlobal(QPoint(20, 20)));
            QCoreApplication::sendEvent(m_view->viewport(), &event);
            const QString got =
                selected ? QGuiApplication::clipboard()->text() : m_view->selectedText();
            QCOMPARE(std::tuple(seen[0], seen[1], got), std::tuple(canCopy, canSelect, result));
        }
    }

    // The text is drawn where it belongs; with the focus, the caret where it
    // is, a selection over its characters only, a selected line end as a mark
    // after the line. Scrolled down, the lines in sight are what assistive
    // tools read.
    void paintsTextCaretAndSelection() {
        m_window->activateWindow();
        QVERIFY(QTest::qWaitForWindowActive(m_window) && m_view->hasFocus());
        const QString line = QStringLiteral(u"ab東京efgh"), text = line + QStringLiteral("\r\nx");
        const auto grab = [this](const QString& shown, std::size_t anchor, std::size_t cursor) {
            m_view->setText(shown.toStdString());
            m_view->setSelection(anchor, cursor);
            return m_view->viewport()->grab().toImage();
        };
        // Where two pictures of line 0 differ: from the left of column `from`
        // to the right of column `to` (-1: beyond the line's end).
        const auto differ = [&](const QImage& a, const QImage& b, int from, int to) {
            const QRectF row = m_view->lineRect(0);
            const QFontMetricsF metrics(m_view->font());
            const auto x = [&](int column) {
                return int(row.left() + metrics.horizontalAdvance(line.left(column)));
            };
            int left = INT_MAX, right = -1;
            for (int i = 0; i < a.width() * int(row.height()); ++i) {
                const int px = i % a.width(), py = int(row.top()) + i / a.width();
                if (a.pixel(px, py) != b.pixel(px, py)) {
                    left = std::min(left, px), right = std::max(right, px);
                }
            }
            QVERIFY2(std::abs(left - x(from)) <= 2 &&
                         (to < 0 ? right > x(8) + 1 : std::abs(right - x(to)) <= 2),
                     qPrintable(QString::number(left) + ".." + QString::number(right)));
        };
        differ(grab({}, 0, 0), grab(line, 0, 0), 0, 8);
        differ(grab(text, 0, 0), grab(text, at(line, 3), at(line, 3)), 0, 3);
        differ(grab(text, at(line, 4), at(line, 4)), grab(text, at(line, 1), at(line, 4)), 1, 4);
        differ(grab(text, at(line, 8), at(line, 8)), grab(text, at(line, 6), at(line, 8)), 6, 8);
        const std::size_t next = at(line, 8) + 2;
        differ(grab(text, next, next), grab(text, at(line, 6), next), 6, -1);
        const QString cell = QStringLiteral(u"<td>行%1 東京 𠮷</td>");
        m_view->setText(numbered(100, cell).toStdString());
        m_view->verticalScrollBar()->setValue(10);
        const int rows = m_view->verticalScrollBar()->pageStep();
        QCOMPARE(QAccessible::queryAccessibleInterface(m_view)->text(QAccessible::Value),
                 numbered(10 + rows, cell).mid(numbered(10, cell).size()).chopped(2));
    }
};

QTEST_MAIN(TagViewTest)
#include "tag_view_test.moc"
