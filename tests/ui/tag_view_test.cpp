#include "quorvane/ui/fonts.h"
#include "quorvane/ui/line_index.h"
#include "quorvane/ui/tag_view.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QFontMetricsF>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>

#include <random>
#include <string>
#include <vector>

using quorvane::ui::AdvanceBounds;
using quorvane::ui::LineIndex;
using quorvane::ui::TagView;

namespace {

std::string u8(const QString& text) {
    return text.toStdString();
}

QString q(const std::string& text) {
    return QString::fromStdString(text);
}

// The byte offset of UTF-16 column `column` of `text`.
std::size_t at(const QString& text, int column) {
    return static_cast<std::size_t>(text.left(column).toUtf8().size());
}

// A table text as the converter writes it, with a Japanese line, a wide
// line and a half-width katakana line.
QString sampleTable() {
    return QStringLiteral(u"<table>\r\n<tr>\r\n<td align=right>abc</td>\r\n"
                          u"<td>東京都千代田区</td>\r\n<td>ｶﾀｶﾅ and ASCII</td>\r\n"
                          u"</tr>\r\n</table>");
}

} // namespace

class TagViewTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void indexFindsEveryLineEnd_data();
    void indexFindsEveryLineEnd();
    void indexAgreesWithAModelOnLongTexts();

    void copyKeepsTheTextExactly_data();
    void copyKeepsTheTextExactly();
    void keyboardSelectionCopiesExactly_data();
    void keyboardSelectionCopiesExactly();
    void contextMenuCopiesAndSelectsAll();

    void clickLandsOnTheCharacterUnderTheMouse_data();
    void clickLandsOnTheCharacterUnderTheMouse();
    void dragSelectsTheCharactersUnderTheMouse_data();
    void dragSelectsTheCharactersUnderTheMouse();
    void dragPastTheEdgeScrolls();
    void doubleClickSelectsAWord_data();
    void doubleClickSelectsAWord();

    void scrollRangeReachesLastLineAndLongestEnd_data();
    void scrollRangeReachesLastLineAndLongestEnd();
    void wheelScrolls();
    void keysMoveAndScroll();
    void setTextResetsScrollAndSelection();

    void typingChangesNothing_data();
    void typingChangesNothing();
    void takesFocusAndTellsAccessibility();
    void selectionReachesAccessibilityInUtf16_data();
    void selectionReachesAccessibilityInUtf16();
    void paintsTheText();

private:
    void mouse(QEvent::Type type, QPointF at, Qt::KeyboardModifiers modifiers = {});
    QPointF charPoint(std::size_t line, const QString& lineText, int column, qreal fraction) const;

    QWidget* m_window = nullptr;
    TagView* m_view = nullptr;
};

void TagViewTest::init() {
    m_window = new QWidget;
    m_window->resize(600, 260);
    m_view = new TagView(m_window);
    m_view->setObjectName(QStringLiteral("TxtTag"));
    m_view->setFont(quorvane::ui::gothicFont(9));
    m_view->setGeometry(7, 7, 589, 246);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window));
}

void TagViewTest::cleanup() {
    delete m_window;
    m_window = nullptr;
}

void TagViewTest::mouse(QEvent::Type type, QPointF at, Qt::KeyboardModifiers modifiers) {
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    const Qt::MouseButtons held =
        type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::MouseButtons(Qt::LeftButton);
    QWidget* viewport = m_view->viewport();
    QMouseEvent event(type, at, viewport->mapToGlobal(at), button, held, modifiers);
    QCoreApplication::sendEvent(viewport, &event);
}

// A point inside the character at `column`, `fraction` of its advance from
// its left edge, measured with the view's own font.
QPointF TagViewTest::charPoint(std::size_t line, const QString& lineText, int column,
                               qreal fraction) const {
    const QFontMetricsF metrics(m_view->font(), m_view->viewport());
    const qreal left = metrics.horizontalAdvance(lineText.left(column));
    const int width = lineText.at(column).isHighSurrogate() ? 2 : 1;
    const qreal right = metrics.horizontalAdvance(lineText.left(column + width));
    const QRectF box = m_view->lineRect(line);
    return {box.left() + left + fraction * (right - left), box.center().y()};
}

// ---- line index ---------------------------------------------------------

void TagViewTest::indexFindsEveryLineEnd_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<QList<int>>("starts");
    QTest::addColumn<QList<int>>("ends");
    QTest::newRow("empty") << QString() << QList<int>{0} << QList<int>{0};
    QTest::newRow("one line") << QStringLiteral("abc") << QList<int>{0} << QList<int>{3};
    QTest::newRow("CR LF") << QStringLiteral("ab\r\ncd") << QList<int>{0, 4} << QList<int>{2, 6};
    QTest::newRow("lone LF") << QStringLiteral("ab\ncd") << QList<int>{0, 3} << QList<int>{2, 5};
    QTest::newRow("lone CR") << QStringLiteral("ab\rcd") << QList<int>{0, 3} << QList<int>{2, 5};
    QTest::newRow("ends with CR LF")
        << QStringLiteral("ab\r\n") << QList<int>{0, 4} << QList<int>{2, 4};
    QTest::newRow("LF then CR is two ends")
        << QStringLiteral("a\n\rb") << QList<int>{0, 2, 3} << QList<int>{1, 2, 4};
    QTest::newRow("CR then CR LF")
        << QStringLiteral("a\r\r\nb") << QList<int>{0, 2, 4} << QList<int>{1, 2, 5};
    QTest::newRow("empty lines") << QStringLiteral("\r\n\r\n") << QList<int>{0, 2, 4}
                                 << QList<int>{0, 2, 4};
    QTest::newRow("ends with lone CR")
        << QStringLiteral("x\r") << QList<int>{0, 2} << QList<int>{1, 2};
    QTest::newRow("wide characters count their bytes")
        << QStringLiteral(u"東\r\n𠮷\nx") << QList<int>{0, 5, 10} << QList<int>{3, 9, 11};
}

void TagViewTest::indexFindsEveryLineEnd() {
    QFETCH(QString, text);
    QFETCH(QList<int>, starts);
    QFETCH(QList<int>, ends);
    const std::string source = u8(text);
    LineIndex index;
    index.build(source, AdvanceBounds{});
    QCOMPARE(index.lineCount(), static_cast<std::size_t>(starts.size()));
    for (qsizetype line = 0; line < starts.size(); ++line) {
        QCOMPARE(index.lineStart(line), static_cast<std::size_t>(starts[line]));
        QCOMPARE(index.lineEnd(line), static_cast<std::size_t>(ends[line]));
        for (int pos = starts[line];
             pos < (line + 1 < starts.size() ? starts[line + 1] : 1 + ends[line]); ++pos) {
            QCOMPARE(index.lineOf(pos), static_cast<std::size_t>(line));
        }
    }
}

// Random texts of every kind of character and line end, long enough to be
// read in blocks, against a plain model of line starts and width bounds.
void TagViewTest::indexAgreesWithAModelOnLongTexts() {
    struct Piece {
        const char* bytes;
        int kind; // an AdvanceBounds kind, 4 for two wide, -1 for a line end
    };
    const Piece pieces[] = {{"a", AdvanceBounds::Narrow},
                            {"<td>", -2},
                            {"\t", AdvanceBounds::Tab},
                            {"\r", -1},
                            {"\n", -1},
                            {"\r\n", -1},
                            {"\x01", AdvanceBounds::Wide},
                            {"東", AdvanceBounds::Wide},
                            {"ｶ", AdvanceBounds::HalfWidth},
                            {"Ｗ", AdvanceBounds::Wide},
                            {"𠮷", 4},
                            {"é", AdvanceBounds::Wide}};
    AdvanceBounds bounds;
    bounds.advance = {3, 5, 11, 17};
    std::mt19937 rng(12345);
    for (int round = 0; round < 200; ++round) {
        std::string text;
        std::vector<std::size_t> starts{0};
        std::uint64_t width = 0;
        std::uint64_t widest = 0;
        const int count = int(rng() % 300);
        for (int i = 0; i < count; ++i) {
            // Every other round mostly ASCII, for whole blocks of it.
            const Piece& piece = pieces[rng() % (round % 2 != 0 ? 6 : std::size(pieces))];
            // A lone CR followed by a lone LF is one CR LF.
            if (piece.bytes[0] == '\n' && !text.empty() && text.back() == '\r') {
                continue;
            }
            text += piece.bytes;
            if (piece.kind == -1) {
                starts.push_back(text.size());
                widest = std::max(widest, width);
                width = 0;
            } else {
                width += piece.kind == -2  ? 4 * bounds.advance[AdvanceBounds::Narrow]
                         : piece.kind == 4 ? 2 * bounds.advance[AdvanceBounds::Wide]
                                           : bounds.advance[piece.kind];
            }
        }
        LineIndex index;
        index.build(text, bounds);
        QCOMPARE(index.lineCount(), starts.size());
        for (std::size_t line = 0; line < starts.size(); ++line) {
            QCOMPARE(index.lineStart(line), starts[line]);
        }
        QCOMPARE(index.widestBound(), std::max(widest, width));
    }
}

// ---- copy ---------------------------------------------------------------

void TagViewTest::copyKeepsTheTextExactly_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("anchor");
    QTest::addColumn<int>("cursor");
    QTest::addColumn<QString>("expected");
    const QString table = sampleTable();
    QTest::newRow("whole") << table << 0 << int(table.size()) << table;
    QTest::newRow("whole, backwards") << table << int(table.size()) << 0 << table;
    QTest::newRow("up to a line end") << table << 0 << 7 << QStringLiteral("<table>");
    QTest::newRow("over a line end") << table << 4 << 11 << QStringLiteral("le>\r\n<t");
    QTest::newRow("just the line end") << table << 7 << 9 << QStringLiteral("\r\n");
    const int tokyo = int(table.indexOf(u"東京"));
    QTest::newRow("wide characters") << table << tokyo << tokyo + 3 << QStringLiteral(u"東京都");
    const int kana = int(table.indexOf(u"ｶﾀｶﾅ"));
    QTest::newRow("mixed widths across lines")
        << table << tokyo + 5 << kana + 6 << QStringLiteral(u"田区</td>\r\n<td>ｶﾀｶﾅ a");
    QTest::newRow("lone LF and CR kept")
        << QStringLiteral("a\nb\rc\r\nd") << 0 << 8 << QStringLiteral("a\nb\rc\r\nd");
    QTest::newRow("ends at a lone CR") << QStringLiteral("ab\rcd") << 1 << 2 << QStringLiteral("b");
    QTest::newRow("last line, no line end")
        << table << int(table.size()) - 8 << int(table.size()) << QStringLiteral("</table>");
}

void TagViewTest::copyKeepsTheTextExactly() {
    QFETCH(QString, text);
    QFETCH(int, anchor);
    QFETCH(int, cursor);
    QFETCH(QString, expected);
    m_view->setText(u8(text));
    m_view->setSelection(at(text, anchor), at(text, cursor));
    QCOMPARE(m_view->selectedText(), expected);
    QGuiApplication::clipboard()->clear();
    m_view->copy();
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
    QCOMPARE(q(m_view->text()), text);
}

void TagViewTest::keyboardSelectionCopiesExactly_data() {
    QTest::addColumn<QList<int>>("keys");
    QTest::addColumn<QString>("expected");
    const auto shift = int(Qt::ShiftModifier);
    const auto ctrl = int(Qt::ControlModifier);
    QTest::newRow("Ctrl+A") << QList<int>{ctrl | Qt::Key_A} << sampleTable();
    QTest::newRow("Shift+End stops before CR LF")
        << QList<int>{Qt::Key_Down, Qt::Key_Down, shift | Qt::Key_End}
        << QStringLiteral("<td align=right>abc</td>");
    QTest::newRow("Shift+Down takes the line end")
        << QList<int>{Qt::Key_Down, shift | Qt::Key_Down} << QStringLiteral("<tr>\r\n");
    QTest::newRow("Shift+Right over a line end")
        << QList<int>{Qt::Key_End, shift | Qt::Key_Right, shift | Qt::Key_Right}
        << QStringLiteral("\r\n<");
    QTest::newRow("Shift+Left back over a line end")
        << QList<int>{Qt::Key_Down, shift | Qt::Key_Left} << QStringLiteral("\r\n");
    QTest::newRow("Shift+Ctrl+End from the last line start")
        << QList<int>{ctrl | Qt::Key_End, Qt::Key_Home, shift | ctrl | Qt::Key_End}
        << QStringLiteral("</table>");
    QTest::newRow("Shift+Ctrl+Home from the end")
        << QList<int>{ctrl | Qt::Key_End, shift | ctrl | Qt::Key_Home} << sampleTable();
    QTest::newRow("Shift+Ctrl+Right takes a word")
        << QList<int>{Qt::Key_Down, Qt::Key_Down, Qt::Key_Right, shift | ctrl | Qt::Key_Right}
        << QStringLiteral("td");
}

void TagViewTest::keyboardSelectionCopiesExactly() {
    QFETCH(QList<int>, keys);
    QFETCH(QString, expected);
    m_view->setText(u8(sampleTable()));
    m_view->setFocus();
    for (const int key : keys) {
        QTest::keyClick(m_view, Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    }
    QGuiApplication::clipboard()->clear();
    QTest::keyClick(m_view, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void TagViewTest::contextMenuCopiesAndSelectsAll() {
    m_view->setText(u8(sampleTable()));
    QStringList seen;
    bool copyEnabled = true;
    // Runs while the menu is open: notes its items and picks one of them.
    auto pick = [&](const QString& name) {
        QTimer::singleShot(0, this, [&, name] {
            auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
            QVERIFY(menu);
            seen.clear();
            for (QAction* action : menu->actions()) {
                if (!action->isSeparator()) {
                    seen << action->text();
                }
            }
            auto* action = menu->findChild<QAction*>(name);
            QVERIFY(action);
            copyEnabled = menu->findChild<QAction*>(QStringLiteral("copy"))->isEnabled();
            action->trigger();
            menu->close();
        });
        QContextMenuEvent event(QContextMenuEvent::Mouse, QPoint(20, 20),
                                m_view->viewport()->mapToGlobal(QPoint(20, 20)));
        QCoreApplication::sendEvent(m_view->viewport(), &event);
    };
    pick(QStringLiteral("selectAll"));
    QCOMPARE(seen, (QStringList{QStringLiteral(u"コピー(&C)"), QStringLiteral(u"すべて選択(&A)")}));
    QVERIFY(!copyEnabled);
    QCOMPARE(m_view->selectedText(), sampleTable());

    QGuiApplication::clipboard()->clear();
    pick(QStringLiteral("copy"));
    QVERIFY(copyEnabled);
    QCOMPARE(QGuiApplication::clipboard()->text(), sampleTable());
}

// ---- mouse --------------------------------------------------------------

namespace {

void addMixedLines() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<int>("length");
    const QString mixed = QStringLiteral(u"<td>東京都ABC千代田ｶﾀｶﾅ区1-2　丸の内</td>");
    QTest::newRow("ASCII before wide") << mixed << 2 << 3;
    QTest::newRow("wide after ASCII") << mixed << 4 << 2;
    QTest::newRow("ASCII after wide") << mixed << 7 << 2;
    QTest::newRow("wide after ASCII, far") << mixed << 10 << 3;
    QTest::newRow("half-width kana") << mixed << 13 << 3;
    QTest::newRow("after full-width space") << mixed << 22 << 3;
    QTest::newRow("to the line end") << mixed << 25 << 5;
    const QString japanese = QStringLiteral(u"ｱｲｳ日本語abcｴｵ漢字xyz");
    QTest::newRow("kana then kanji") << japanese << 3 << 2;
    QTest::newRow("deep in a mixed line") << japanese << 11 << 4;
}

} // namespace

void TagViewTest::clickLandsOnTheCharacterUnderTheMouse_data() {
    addMixedLines();
}

void TagViewTest::clickLandsOnTheCharacterUnderTheMouse() {
    QFETCH(QString, line);
    QFETCH(int, column);
    m_view->setText(u8(QStringLiteral("<table>\r\n") + line + QStringLiteral("\r\n</table>")));
    const std::size_t start = m_view->lines().lineStart(1);
    // Left part of a character: the caret goes before it; right part: after it.
    mouse(QEvent::MouseButtonPress, charPoint(1, line, column, 0.3));
    mouse(QEvent::MouseButtonRelease, charPoint(1, line, column, 0.3));
    QCOMPARE(m_view->cursorPosition(), start + at(line, column));
    mouse(QEvent::MouseButtonPress, charPoint(1, line, column, 0.7));
    mouse(QEvent::MouseButtonRelease, charPoint(1, line, column, 0.7));
    QCOMPARE(m_view->cursorPosition(), start + at(line, column + 1));
}

void TagViewTest::dragSelectsTheCharactersUnderTheMouse_data() {
    addMixedLines();
}

void TagViewTest::dragSelectsTheCharactersUnderTheMouse() {
    QFETCH(QString, line);
    QFETCH(int, column);
    QFETCH(int, length);
    m_view->setText(u8(QStringLiteral("<table>\r\n") + line + QStringLiteral("\r\n</table>")));
    QSignalSpy changed(m_view, &TagView::selectionChanged);
    mouse(QEvent::MouseButtonPress, charPoint(1, line, column, 0.2));
    mouse(QEvent::MouseMove, charPoint(1, line, column + length / 2, 0.5));
    mouse(QEvent::MouseMove, charPoint(1, line, column + length - 1, 0.8));
    mouse(QEvent::MouseButtonRelease, charPoint(1, line, column + length - 1, 0.8));
    QCOMPARE(m_view->selectedText(), line.mid(column, length));
    QVERIFY(!changed.isEmpty());

    // Shift+click extends the same selection backwards from its anchor.
    mouse(QEvent::MouseButtonPress, charPoint(1, line, 0, 0.1), Qt::ShiftModifier);
    mouse(QEvent::MouseButtonRelease, charPoint(1, line, 0, 0.1), Qt::ShiftModifier);
    QCOMPARE(m_view->selectedText(), line.left(column));
}

void TagViewTest::dragPastTheEdgeScrolls() {
    QString text;
    for (int i = 0; i < 100; ++i) {
        text += QStringLiteral(u"<td>行%1</td>\r\n").arg(i);
    }
    m_view->setText(u8(text));
    QScrollBar* vertical = m_view->verticalScrollBar();
    mouse(QEvent::MouseButtonPress, QPointF(5, 5));
    const QPointF below(20, m_view->viewport()->height() + 30);
    mouse(QEvent::MouseMove, below);
    mouse(QEvent::MouseMove, below);
    mouse(QEvent::MouseMove, below);
    QVERIFY(vertical->value() >= 3);
    mouse(QEvent::MouseButtonRelease, below);
    const std::size_t lastShown = m_view->lines().lineOf(m_view->selectionEnd());
    QCOMPARE(lastShown, static_cast<std::size_t>(vertical->value() + vertical->pageStep() - 1));
    QVERIFY(m_view->selectedText().startsWith(QStringLiteral(u"<td>行0</td>\r\n<td>行1</td>\r\n")));
}

void TagViewTest::doubleClickSelectsAWord_data() {
    QTest::addColumn<QString>("line");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("word");
    const QString cell = QStringLiteral(u"<td class=x>東京タワーとabc_12 ﾃｽﾄ</td>");
    QTest::newRow("kanji") << cell << 13 << QStringLiteral(u"東京");
    QTest::newRow("katakana") << cell << 15 << QStringLiteral(u"タワー");
    QTest::newRow("hiragana") << cell << 17 << QStringLiteral(u"と");
    QTest::newRow("ASCII word") << cell << 19 << QStringLiteral("abc_12");
    QTest::newRow("half-width kana") << cell << 25 << QStringLiteral(u"ﾃｽﾄ");
    QTest::newRow("tag name") << cell << 1 << QStringLiteral("td");
    QTest::newRow("symbol alone") << cell << 0 << QStringLiteral("<");
    const QString marks = QStringLiteral(u"<td>人々は𠮷野家でＡＢＣ１２を</td>");
    QTest::newRow("iteration mark joins kanji") << marks << 5 << QStringLiteral(u"人々");
    QTest::newRow("outside the basic plane joins kanji") << marks << 7 << QStringLiteral(u"𠮷野家");
    QTest::newRow("full-width letters and digits") << marks << 13 << QStringLiteral(u"ＡＢＣ１２");
}

void TagViewTest::doubleClickSelectsAWord() {
    QFETCH(QString, line);
    QFETCH(int, column);
    QFETCH(QString, word);
    m_view->setText(u8(QStringLiteral("<tr>\r\n") + line));
    const QPointF at = charPoint(1, line, column, 0.6);
    mouse(QEvent::MouseButtonPress, at);
    mouse(QEvent::MouseButtonRelease, at);
    mouse(QEvent::MouseButtonDblClick, at);
    mouse(QEvent::MouseButtonRelease, at);
    QCOMPARE(m_view->selectedText(), word);
}

// ---- scrolling ----------------------------------------------------------

void TagViewTest::scrollRangeReachesLastLineAndLongestEnd_data() {
    QTest::addColumn<QString>("longest");
    QTest::addColumn<int>("lines");
    QTest::addColumn<QString>("lineEnd");
    QTest::newRow("ASCII") << QStringLiteral("<td>").append(QString(300, u'W')) << 500
                           << QStringLiteral("\r\n");
    QTest::newRow("kanji") << QStringLiteral(u"<td>").append(QString(200, u'漢')) << 40
                           << QStringLiteral("\r\n");
    QTest::newRow("half-width kana") << QString(250, u'ｶ') << 3 << QStringLiteral("\n");
    QTest::newRow("mixed, tabs") << QStringLiteral(u"a\tb\t漢字ｶﾅ\tend").repeated(20) << 1000
                                 << QStringLiteral("\r");
    QTest::newRow("short line, few lines")
        << QStringLiteral("<td>x</td>") << 1 << QStringLiteral("\r\n");
}

void TagViewTest::scrollRangeReachesLastLineAndLongestEnd() {
    QFETCH(QString, longest);
    QFETCH(int, lines);
    QFETCH(QString, lineEnd);
    QStringList all;
    for (int i = 0; i < lines; ++i) {
        all << QStringLiteral("<td>%1</td>").arg(i);
    }
    all.insert(lines / 2, longest);
    const std::size_t longestLine = static_cast<std::size_t>(lines / 2);
    m_view->setText(u8(all.join(lineEnd)));
    QCOMPARE(m_view->lineCount(), static_cast<std::size_t>(lines + 1));

    QScrollBar* vertical = m_view->verticalScrollBar();
    QScrollBar* horizontal = m_view->horizontalScrollBar();
    const int height = m_view->viewport()->height();
    const int width = m_view->viewport()->width();
    vertical->setValue(vertical->maximum());
    const QRectF last = m_view->lineRect(m_view->lineCount() - 1);
    QVERIFY2(last.bottom() <= height, "the last line is cut off at the bottom");
    QVERIFY(last.top() >= 0);

    horizontal->setValue(horizontal->maximum());
    QTest::qWait(0);
    m_view->viewport()->repaint();
    horizontal->setValue(horizontal->maximum());
    const QFontMetricsF metrics(m_view->font(), m_view->viewport());
    const QRectF box = m_view->lineRect(longestLine);
    const qreal end = box.left() + metrics.horizontalAdvance(longest);
    QVERIFY2(box.right() <= width, "the end of the longest line cannot be scrolled to");
    // Tabs stop where the view puts its tab stops, so only tab-free lines are
    // measured apart from it; for them the range also ends near the line's end.
    if (!longest.contains(u'\t')) {
        QVERIFY(end <= width + 0.5);
        QVERIFY(horizontal->maximum() == 0 || end >= width - metrics.height());
    }
}

void TagViewTest::wheelScrolls() {
    QString text;
    for (int i = 0; i < 200; ++i) {
        text += QStringLiteral("<td>%1</td>").arg(QString(i, u'x')) + QStringLiteral("\r\n");
    }
    m_view->setText(u8(text));
    const QPointF at(30, 30);
    auto wheel = [&](QPoint delta, Qt::KeyboardModifiers modifiers) {
        QWheelEvent event(at, m_view->viewport()->mapToGlobal(at), QPoint(), delta, Qt::NoButton,
                          modifiers, Qt::NoScrollPhase, false);
        QCoreApplication::sendEvent(m_view->viewport(), &event);
    };
    wheel(QPoint(0, -120), {});
    QVERIFY(m_view->verticalScrollBar()->value() > 0);
    wheel(QPoint(-120, 0), {});
    QVERIFY(m_view->horizontalScrollBar()->value() > 0);
}

void TagViewTest::keysMoveAndScroll() {
    QString text;
    for (int i = 0; i < 300; ++i) {
        text += QStringLiteral(u"<td>%1</td>\r\n")
                    .arg(i % 2 ? QStringLiteral(u"番番番") : QStringLiteral("abcdef"));
    }
    text += QStringLiteral(u"</table>");
    m_view->setText(u8(text));
    m_view->setFocus();
    QScrollBar* vertical = m_view->verticalScrollBar();
    QTest::keyClick(m_view, Qt::Key_PageDown);
    QCOMPARE(vertical->value(), vertical->pageStep());
    QCOMPARE(m_view->lines().lineOf(m_view->cursorPosition()),
             static_cast<std::size_t>(vertical->pageStep()));
    QTest::keyClick(m_view, Qt::Key_PageUp);
    QCOMPARE(vertical->value(), 0);
    QCOMPARE(m_view->cursorPosition(), std::size_t{0});
    QTest::keyClick(m_view, Qt::Key_End, Qt::ControlModifier);
    QCOMPARE(m_view->cursorPosition(), m_view->text().size());
    QCOMPARE(vertical->value(), vertical->maximum());
    QTest::keyClick(m_view, Qt::Key_Home, Qt::ControlModifier);
    QCOMPARE(vertical->value(), 0);
    // Up and Down keep the x of the caret: after two kanji on line 1 lie
    // four ASCII letters on line 2.
    QTest::keyClick(m_view, Qt::Key_Down);
    for (int i = 0; i < 6; ++i) {
        QTest::keyClick(m_view, Qt::Key_Right);
    }
    QTest::keyClick(m_view, Qt::Key_Down);
    QCOMPARE(m_view->cursorPosition(), m_view->lines().lineStart(2) + 8);
    QTest::keyClick(m_view, Qt::Key_Down);
    QCOMPARE(m_view->cursorPosition(),
             m_view->lines().lineStart(3) + at(QStringLiteral(u"<td>番番"), 6));
    QTest::keyClick(m_view, Qt::Key_Up);
    QTest::keyClick(m_view, Qt::Key_Up);
    QTest::keyClick(m_view, Qt::Key_Up);
    QCOMPARE(m_view->cursorPosition(), std::size_t{8});
}

void TagViewTest::setTextResetsScrollAndSelection() {
    QString text;
    for (int i = 0; i < 100; ++i) {
        text += QString(200, u'x') + QStringLiteral("\r\n");
    }
    m_view->setText(u8(text));
    m_view->setSelection(500, 1500);
    m_view->verticalScrollBar()->setValue(50);
    m_view->horizontalScrollBar()->setValue(100);
    QSignalSpy changed(m_view, &TagView::selectionChanged);
    m_view->setText(u8(sampleTable()));
    QCOMPARE(m_view->verticalScrollBar()->value(), 0);
    QCOMPARE(m_view->horizontalScrollBar()->value(), 0);
    QCOMPARE(m_view->selectionStart(), m_view->selectionEnd());
    QCOMPARE(changed.count(), 1);
    QCOMPARE(q(m_view->text()), sampleTable());
    QCOMPARE(m_view->lineCount(), std::size_t{7});
}

// ---- read-only, focus, accessibility ------------------------------------

void TagViewTest::typingChangesNothing_data() {
    QTest::addColumn<QList<int>>("keys");
    QTest::newRow("letters") << QList<int>{Qt::Key_A, Qt::Key_B, Qt::Key_Space};
    QTest::newRow("editing keys") << QList<int>{Qt::Key_Backspace, Qt::Key_Delete, Qt::Key_Return,
                                                Qt::Key_Enter};
    QTest::newRow("cut and paste")
        << QList<int>{int(Qt::ControlModifier) | Qt::Key_X, int(Qt::ControlModifier) | Qt::Key_V,
                      int(Qt::ShiftModifier) | Qt::Key_Insert};
}

void TagViewTest::typingChangesNothing() {
    QFETCH(QList<int>, keys);
    m_view->setText(u8(sampleTable()));
    m_view->setFocus();
    m_view->setSelection(3, 12);
    QGuiApplication::clipboard()->setText(QStringLiteral("pasted"));
    for (const int key : keys) {
        QTest::keyClick(m_view, Qt::Key(key & ~Qt::KeyboardModifierMask),
                        Qt::KeyboardModifiers(key & Qt::KeyboardModifierMask));
    }
    QKeyEvent japanese(QEvent::KeyPress, 0, Qt::NoModifier, QStringLiteral(u"日本"));
    QCoreApplication::sendEvent(m_view, &japanese);
    QInputMethodEvent composed;
    composed.setCommitString(QStringLiteral(u"語"));
    QCoreApplication::sendEvent(m_view, &composed);
    QCOMPARE(q(m_view->text()), sampleTable());
    QCOMPARE(m_view->selectionStart(), std::size_t{3});
    QCOMPARE(m_view->selectionEnd(), std::size_t{12});
    QCOMPARE(QGuiApplication::clipboard()->text(), QStringLiteral("pasted"));
}

void TagViewTest::takesFocusAndTellsAccessibility() {
    QCOMPARE(m_view->focusPolicy(), Qt::StrongFocus);
    QString text;
    for (int i = 0; i < 100; ++i) {
        text += QStringLiteral(u"<td>行%1</td>\r\n").arg(i);
    }
    m_view->setText(u8(text));
    m_view->verticalScrollBar()->setValue(10);

    QAccessibleInterface* accessible = QAccessible::queryAccessibleInterface(m_view);
    QVERIFY(accessible);
    QCOMPARE(accessible->role(), QAccessible::EditableText);
    QVERIFY(accessible->state().readOnly);
    QVERIFY(accessible->state().multiLine);
    const QString value = accessible->text(QAccessible::Value);
    QVERIFY(value.startsWith(QStringLiteral(u"<td>行10</td>\r\n<td>行11</td>")));
    QCOMPARE(value.count(QStringLiteral("\r\n")), int(m_view->verticalScrollBar()->pageStep()) - 1);

    QAccessibleTextInterface* textInterface = accessible->textInterface();
    QVERIFY(textInterface);
    QCOMPARE(textInterface->characterCount(), int(q(m_view->text()).size()));
    QCOMPARE(textInterface->text(0, 13), QStringLiteral(u"<td>行0</td>\r\n"));
    int start = 0;
    int end = 0;
    QCOMPARE(textInterface->textAtOffset(15, QAccessible::LineBoundary, &start, &end),
             QStringLiteral(u"<td>行1</td>"));
    QCOMPARE(textInterface->textAfterOffset(15, QAccessible::LineBoundary, &start, &end),
             QStringLiteral(u"<td>行2</td>"));
    textInterface->setSelection(0, 4, 6);
    QCOMPARE(m_view->selectedText(), QStringLiteral(u"行0"));
}

void TagViewTest::selectionReachesAccessibilityInUtf16_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("selected");
    QTest::newRow("ASCII") << QStringLiteral("<td>") << QStringLiteral("abc");
    QTest::newRow("after kanji") << QStringLiteral(u"<td>東京\r\n") << QStringLiteral(u"都ｶﾅ");
    QTest::newRow("after a character outside the basic plane")
        << QStringLiteral(u"𠮷\r") << QStringLiteral(u"野\n𠮷");
}

// What the view selects, assistive tools hear in UTF-16 offsets; what they
// select, the view selects.
void TagViewTest::selectionReachesAccessibilityInUtf16() {
    QFETCH(QString, before);
    QFETCH(QString, selected);
    const QString text = before + selected + QStringLiteral(u"</td>");
    const int start = int(before.size());
    const int end = start + int(selected.size());
    m_view->setText(u8(text));
    m_view->setSelection(at(text, start), at(text, end));
    QAccessibleTextInterface* accessible =
        QAccessible::queryAccessibleInterface(m_view)->textInterface();
    int from = -1;
    int to = -1;
    accessible->selection(0, &from, &to);
    QCOMPARE(std::pair(from, to), std::pair(start, end));
    QCOMPARE(accessible->text(from, to), selected);
    QCOMPARE(accessible->cursorPosition(), end);

    accessible->setSelection(0, 0, start);
    QCOMPARE(m_view->selectedText(), before);
}

// A line of text leaves ink where it is drawn; an empty view leaves none.
void TagViewTest::paintsTheText() {
    auto inked = [this] {
        const QImage image = m_view->viewport()->grab().toImage();
        const QColor ground = m_view->viewport()->palette().color(QPalette::Base);
        int count = 0;
        for (int y = 0; y < image.height(); ++y) {
            for (int x = 0; x < image.width(); ++x) {
                count += image.pixelColor(x, y) != ground;
            }
        }
        return count;
    };
    m_view->setText({});
    const int empty = inked();
    m_view->setText(u8(QStringLiteral(u"<td>WWWW 東京 𠮷</td>")));
    QVERIFY(inked() > empty + 50);
}

QTEST_MAIN(TagViewTest)
#include "tag_view_test.moc"
