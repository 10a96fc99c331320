// The main window and its dialogs used as a person would: random sequences of
// actions checked after every one against a plain model of the column
// settings; the commands that convert and copy; what holds of the controls
// whatever their captions and places; the About window.
#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/frm_table.h"
#include "quorvane/ui/spin_button.h"
#include "scripted_user.h"

#include <QTest>
#include <QtWidgets>

using namespace quorvane::ui;
using namespace Qt::StringLiterals;

// Count: that many steps, by key and mouse in turn (negative: down); Field:
// one step up or down (arg's sign), by key (1) or mouse (2).
enum Kind { Count, Field, ClickRow, Type, Reflect, Confirm, Redo, Boxes, Convert };

struct Action {
    Kind kind;
    int arg = 0;
    QString text;
};

// What the user should see, kept without any of the window's code.
struct Model {
    int countBox = 1, count = 1, field = 1, spinner = 1;
    bool editing = false;
    QStringList rows;
    QString editor, shown, focus = u"UpDown1"_s;

    void apply(const Action& a) {
        focus.clear();
        if (a.kind == Count) {
            countBox = count = std::clamp(countBox + a.arg, 1, 100);
        } else if (a.kind == Field) {
            spinner = std::clamp(field + (a.arg > 0 ? 1 : -1), 1, count);
            if (spinner != field) {
                field = spinner;
                editor = rows.at(field - 1);
                focus = u"TxtStyle"_s;
            }
        } else if (a.kind == ClickRow && a.arg != field - 1) {
            field = a.arg + 1;
            editor = rows.at(a.arg);
        } else if (a.kind == Type) {
            editor = a.text;
        } else if (a.kind == Reflect) {
            rows[field - 1] = editor;
        } else if (a.kind == Confirm) {
            editing = true;
            count = countBox;
            rows = QStringList(count, QString());
            field = 1;
            editor.clear();
            focus = spinner != 1 ? u"TxtStyle"_s : QString();
            spinner = 1;
        } else if (a.kind == Redo) {
            editing = false;
            field = 1;
            rows.clear();
        } else if (a.kind == Convert) { // fields 1 .. arg on one line; empty cells fill the last
            shown = u"<table>\r\n<tr>\r\n"_s;
            for (int i = 0; i < a.arg || i % count; ++i) {
                const QString attr = rows.value(i % count);
                shown += (i && i % count == 0 ? "</tr>\r\n<tr>\r\n" : "") +
                         u"<td%1%2>%3</td>\r\n"_s.arg(attr.isEmpty() ? "" : " ", attr,
                                                      i < a.arg ? QString::number(i + 1) : "");
            }
            shown += "</tr>\r\n</table>";
        }
    }

    auto state() const {
        return std::tuple(countBox, count, editing, editing, editing, editing, rows.size(),
                          rows.join(u'|'), field, field, field, count, editor, focus, shown, 0);
    }
};

// Spinners are stepped by key and by mouse in turn; the mouse hits each half
// next to where the halves meet.
static void step(QWidget* spinner, bool up, bool byMouse) {
    QWidget* half = spinner->childAt(spinner->width() / 2, spinner->height() / 2 - up);
    byMouse ? QTest::mouseClick(half, Qt::LeftButton, {}, half->rect().center())
            : QTest::keyClick(spinner, up ? Qt::Key_Up : Qt::Key_Down);
}

// The main window, shown and active; the person at its dialogs; a scratch folder.
struct Fixture {
    QTemporaryDir dir;
    ScriptedUser user;
    frmTable window{&user};

    Fixture() {
        window.show();
        if (!QTest::qWaitForWindowActive(&window)) {
            qFatal("the main window did not become active");
        }
    }

    template <class T = QWidget> T* get(const QString& n) const { return window.findChild<T*>(n); }
    QString text(const QString& name) const { return get<QLineEdit>(name)->text(); }
    QString path(const QString& name) const { return dir.filePath(name); }

    // A scratch file holding `bytes` (none: it could not be written).
    QString write(const QString& name, const QByteArray& bytes) const {
        QFile file(path(name));
        return file.open(QFile::WriteOnly) && file.write(bytes) == bytes.size() ? path(name) : "";
    }

    // A command as a person gives it: Enter on a button, or a menu item.
    void give(const char* name) {
        auto* button = get<QPushButton>(name);
        button ? QTest::keyClick(button, Qt::Key_Return) : get<QAction>(name)->trigger();
    }

    void perform(const Action& a) {
        auto* list = get<QListWidget>("LstStyle");
        if (a.kind == Count) {
            for (int i = 0; i < std::abs(a.arg); ++i) {
                step(get("UpDown1"), a.arg > 0, i % 2);
            }
        } else if (a.kind == Field) {
            step(get("UpDown2"), a.arg > 0, std::abs(a.arg) == 2);
        } else if (a.kind == ClickRow) {
            list->scrollToItem(list->item(a.arg));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(a.arg)).center());
        } else if (a.kind == Type) {
            get<QLineEdit>("TxtStyle")->setText(a.text);
        } else if (a.kind == Boxes) { // they are read-only
            for (const char* name : {"TxtDataCnt", "TxtFeeld"}) {
                QTest::keyClicks(get(name), "97\b");
            }
        } else if (a.kind == Convert) {
            const QByteArray fields = QByteArray("1,2,3,4,5,6,7,8,9").left(2 * a.arg - 1);
            user.answers.push_back(write(u"f%1.csv"_s.arg(a.arg), fields + "\r\n"));
            give("mnuCSV");
        } else {
            give(a.kind == Reflect   ? "CmdHanei"
                 : a.kind == Confirm ? "CmdDataCntOK"
                                     : "CmdDataCntCancel");
        }
    }

    // What the window shows, in the order of Model::state; what the model
    // leaves open (parts of the settings box when hidden, the focus) is
    // taken from the model.
    auto state(const Model& m) const {
        auto* list = get<QListWidget>("LstStyle");
        QStringList rows;
        for (int i = 0; i < list->count(); ++i) {
            rows << list->item(i)->text();
        }
        const bool e = m.editing;
        const QString focused = qApp->focusWidget() ? qApp->focusWidget()->objectName() : "";
        return std::tuple(text("TxtDataCnt").toInt(), window.dataCnt(), get("Frame2")->isVisible(),
                          !get("UpDown1")->isEnabled(), !get("CmdDataCntOK")->isEnabled(),
                          get("CmdDataCntCancel")->isEnabled(), rows.size(), rows.join(u'|'),
                          text("TxtFeeld").toInt(), e ? window.fieldIdx() + 1 : m.field,
                          e ? list->currentRow() + 1 : m.field,
                          e ? get<SpinButton>("UpDown2")->maximum() : m.count,
                          e ? text("TxtStyle") : m.editor, m.focus.isEmpty() ? m.focus : focused,
                          window.tagViewText(), user.failures);
    }
};

// An action a person could take in the state the model is in; now and then a
// long attribute, and a count turned up past its top of 100.
static Action randomAction(QRandomGenerator& rng, const Model& m) {
    const auto pick = [&](int n) { return rng.bounded(n); };
    const QString texts[] = {{}, u"align=right"_s, u" class=\"a b\" 金額 "_s, QString(40000, u'x')};
    if (!m.editing) {
        const Kind kind = std::array{Count, Count, Convert, Boxes, Confirm, Confirm}[pick(6)];
        return {kind, kind == Convert ? 1 + pick(9) : pick(8) == 0 ? 120 : pick(9) - 4, {}};
    }
    const Kind kind =
        std::array{Field, Field, ClickRow, Type, Reflect, Reflect, Convert, Redo}[pick(8)];
    const int arg = kind == ClickRow ? pick(m.count)
                    : kind == Field  ? std::array{-2, -1, 1, 2}[pick(4)]
                                     : 1 + pick(9);
    return {kind, arg, texts[pick(3 + (pick(6) == 0))]};
}

class WindowTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(uiFont()); }

    // A failure names its seed and step, and shows both states; QUORVANE_MODEL_SEED replays one
    // seed.
    void windowFollowsTheModel() {
        const unsigned one = qEnvironmentVariableIntValue("QUORVANE_MODEL_SEED");
        for (unsigned seed = one ? one : 1; seed <= (one ? one : 300); ++seed) {
            QRandomGenerator rng(seed);
            Fixture f;
            Model m;
            for (int i = 0; i <= 40; ++i) {
                QCOMPARE(std::tuple(seed, i, f.state(m)), std::tuple(seed, i, m.state()));
                const Action action = randomAction(rng, m);
                f.perform(action);
                m.apply(action);
            }
        }
    }

    // After a first table, one command given names (none: a cancel), which
    // converts (0), fails with a message (1) or is ignored (-1): the table
    // shown, the name the dialog starts from next time, the cursor and files
    // left; then both copy commands put exactly the text shown on the clipboard.
    void commands() {
        const std::tuple<const char*, const char*, int> rows[] = {
            {"CmdFileOpen", "new.csv", 0},
            {"mnuCSV", "", -1},
            {"mnuCSV", "missing.csv", 1},
            {"mnuCSV", "nofolder/x.csv", 1},
            {"CmdFileOpen", ".", 1},
            {"drop", "new.csv", 0},
            {"drop", "missing.csv", 1},
            {"drop", "new.csv first.csv", -1},
            {"drop", "https://example.com/new.csv", -1}};
        for (const auto& [command, given, result] : rows) {
            Fixture f;
            // A quoted lone LF, and code page 932 text.
            f.write("new.csv", "\x93\x8c\x8b\x9e\r\n");
            f.user.answers.push_back(f.write("first.csv", "1,\"a\nb\"\r\n"));
            f.give("mnuCSV");
            const QString before = u"<table>\r\n<tr>\r\n<td>1</td>\r\n</tr>\r\n<tr>\r\n"
                                   u"<td>a\nb</td>\r\n</tr>\r\n</table>"_s;
            QCOMPARE(f.window.tagViewText(), before);
            if (command == "drop"_L1) {
                QMimeData data;
                QList<QUrl> urls;
                for (const QString& name : QString(given).split(u' ')) {
                    urls << (name.contains(u':') ? QUrl(name) : QUrl::fromLocalFile(f.path(name)));
                }
                data.setUrls(urls);
                const QPoint at = f.window.rect().center();
                QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(&f.window, &enter);
                QCOMPARE(enter.isAccepted() && f.window.acceptDrops(), result >= 0);
                QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(&f.window, &drop);
                QCoreApplication::processEvents();
            } else {
                f.user.answers.push_back(*given ? std::optional(f.path(given)) : std::nullopt);
                f.give(command);
            }
            const QString shown =
                result == 0 ? u"<table>\r\n<tr>\r\n<td>東京</td>\r\n</tr>\r\n</table>"_s : before;
            QCOMPARE(std::tuple(QString(given), f.window.tagViewText(), f.user.failures,
                                f.user.busyWhileAsked || QApplication::overrideCursor()),
                     std::tuple(QString(given), shown, result == 1 ? 1 : 0, false));
            for (const QFileInfo& fd : QDir("/proc/self/fd").entryInfoList(QDir::System)) {
                QVERIFY(!fd.symLinkTarget().startsWith(QDir(f.dir.path()).canonicalPath()));
            }
            f.give("mnuCSV");
            QCOMPARE(f.user.startedFrom, f.path(result < 0 ? "first.csv" : given));
            for (const char* copy : {"CmdCopy", "mnuCopy"}) {
                QGuiApplication::clipboard()->setText("something else");
                f.give(copy);
                QCOMPARE(QGuiApplication::clipboard()->text(), shown);
            }
        }
    }

    // No two controls of a box overlap; in both states, Tab walks the order
    // over what is shown and enabled; every caption has an access key, none
    // shared in the window (buttons and menu bar) or in a menu; a spinner
    // held down steps on.
    void controlsAreReachableAndDistinct() {
        Fixture f;
        // Holding an arrow down steps on until it is let go.
        QWidget* up = f.get("UpDown1")->childAt(f.get("UpDown1")->width() / 2, 1);
        QTest::mousePress(up, Qt::LeftButton, {}, up->rect().center());
        QTest::qWait(2000);
        QTest::mouseRelease(up, Qt::LeftButton, {}, up->rect().center());
        const int held = f.text("TxtDataCnt").toInt();
        QTest::qWait(300);
        QVERIFY(held > 2 && f.text("TxtDataCnt").toInt() == held);
        for (QWidget* box : {f.window.centralWidget(), f.get("Frame1"), f.get("Frame2")}) {
            apart(box);
        }
        for (const char* walk :
             {"UpDown1 CmdDataCntOK CmdFileOpen CmdCopy TxtTag TxtDataCnt",
              "CmdDataCntCancel UpDown2 TxtStyle CmdHanei CmdFileOpen CmdCopy TxtTag TxtDataCnt "
              "LstStyle TxtFeeld"}) {
            const QStringList order = QString(walk).split(u' ');
            f.get(order.front())->setFocus();
            for (const QString& next : order.mid(1) + order.first(1)) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                QCOMPARE(QApplication::focusWidget()->objectName(), next);
            }
            f.give("CmdDataCntOK");
        }
        // The layout's rules: the controls named share their l(eft), r(ight)
        // or t(op and height); a label ends at most 20 pixels before the box
        // it names, on its row (n); a spinner sits right against its box (s).
        const auto at = [&](const QString& name) {
            return QRect(f.get(name)->mapTo(&f.window, QPoint()), f.get(name)->size());
        };
        const auto off = [&](char rule, QRect a, QRect b) {
            const int gap = b.left() - a.right() - 1, mid = a.center().y();
            return rule == 'l'   ? a.left() - b.left()
                   : rule == 'r' ? a.right() - b.right()
                   : rule == 't' ? (a.top() - b.top()) * 1000 + a.height() - b.height()
                   : rule == 'n' ? (gap < 0 || gap > 20 || mid < b.top() || mid > b.bottom())
                                 : gap;
        };
        for (const char* line :
             {"l Frame1 Frame2 TxtTag Line1 Line2",
              "l TxtDataCnt TxtFeeld TxtStyle LstStyle CmdHanei", "r Frame1 Frame2 TxtTag CmdCopy",
              "r CmdDataCntCancel TxtStyle LstStyle",
              "t TxtDataCnt UpDown1 CmdDataCntOK CmdDataCntCancel", "t TxtFeeld UpDown2",
              "t CmdFileOpen CmdCopy", "n Label1 TxtDataCnt", "n Label2 TxtFeeld",
              "n Label3 TxtStyle", "s TxtDataCnt UpDown1", "s TxtFeeld UpDown2"}) {
            const QStringList names = QString(line).split(u' ');
            for (const QString& name : names.mid(2)) {
                QCOMPARE(std::pair(name, off(*line, at(names[1]), at(name))), std::pair(name, 0));
            }
        }
        for (QWidget* w : f.window.centralWidget()->findChildren<QWidget*>()) {
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
                     qPrintable(w->objectName()));
        }
        for (const char* name : {"TxtTag", "TxtStyle", "LstStyle"}) {
            const QFontMetricsF metrics(f.get(name)->font());
            QCOMPARE(metrics.horizontalAdvance(u'i'), metrics.horizontalAdvance(u'W'));
        }
        QStringList keys; // "where:key", the window's own under ""
        for (const QPushButton* button : f.window.findChildren<QPushButton*>()) {
            keys << ':' + QKeySequence::mnemonic(button->text()).toString();
        }
        for (const QAction* entry : f.window.menuBar()->actions()) {
            keys << ':' + QKeySequence::mnemonic(entry->text()).toString();
            for (const QAction* item :
                 entry->menu() ? entry->menu()->actions() : QList<QAction*>()) {
                if (!item->isSeparator()) {
                    keys << entry->text() + ':' + QKeySequence::mnemonic(item->text()).toString();
                }
            }
        }
        QVERIFY2(keys.filter(QRegularExpression(":$")).isEmpty() && keys.removeDuplicates() == 0,
                 qPrintable(keys.join(u' ')));
    }

    // No two controls of `box` overlap.
    static void apart(const QWidget* box) {
        QRegion taken;
        for (const QWidget* c : box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
            QVERIFY2(!taken.intersects(c->geometry()), qPrintable(c->objectName()));
            taken += c->geometry();
        }
    }

    // The version command, twice, shows one About window, owned by no one,
    // in front, with the project's name and version; Enter closes it. The exit command
    // ends the event loop at once and closes the About window too.
    void aboutIsOneWindowAndClosesByKeyAndExit() {
        Fixture f;
        f.give("mnuVir");
        QTRY_VERIFY(qobject_cast<frmAbout*>(QApplication::activeWindow()));
        QPointer<QWidget> about = QApplication::activeWindow();
        f.window.activateWindow();
        QTRY_VERIFY(f.window.isActiveWindow());
        f.give("mnuVir");
        QTRY_COMPARE(QApplication::activeWindow(), about.data());
        const auto shown = [](QWidget* w) { return qobject_cast<frmAbout*>(w) && w->isVisible(); };
        QVERIFY(std::ranges::count_if(QApplication::topLevelWidgets(), shown) == 1 &&
                !about->parentWidget());
        apart(about);
        const auto* icon = about->findChild<QLabel*>("picIcon"); // shown whole
        QCOMPARE(icon->contentsRect().size().boundedTo(icon->pixmap().size()),
                 icon->pixmap().size());
        QCOMPARE(about->findChild<QLabel*>("lblTitle")->text(), QStringLiteral(QUORVANE_NAME));
        QVERIFY(about->windowTitle().startsWith(QStringLiteral(QUORVANE_NAME)));
        QCOMPARE(about->findChild<QLabel*>("lblVersion")->text(),
                 QStringLiteral(u"ﾊﾞｰｼﾞｮﾝ " QUORVANE_VERSION));
        // The caption alone on the first line: by spaces where they reach, else a line end.
        QVERIFY(!frmAbout::descriptionText(about->font(), 60).contains(u'\n'));
        QVERIFY(frmAbout::descriptionText(about->font(), 2000).contains(u"の説明\nCSV"));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(about.isNull());

        f.give("mnuVir");
        QTRY_VERIFY(qobject_cast<frmAbout*>(QApplication::activeWindow()));
        about = QApplication::activeWindow();
        QTimer::singleShot(0, &f.window, [&] { f.give("mnuClose"); });
        QTimer::singleShot(60000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(about.isNull() || !about->isVisible());
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
