// The main window: random sequences of user actions checked after every
// action against a plain model of the column settings; the commands that
// convert and copy; what holds of the controls whatever their captions and
// places.
#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/frm_table.h"
#include "quorvane/ui/spin_button.h"
#include "scripted_user.h"

#include <QAction>
#include <QClipboard>
#include <QDir>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPointer>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QUrl>

#include <random>

using namespace quorvane::ui;

namespace {

template <typename T = QWidget> T* get(const QObject& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (!found) {
        qFatal("no control named %s", qPrintable(name));
    }
    return found;
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

// Descriptors of this process that point at `path`.
int openDescriptorsOn(const QString& path) {
    int count = 0;
    for (const QFileInfo& fd : QDir(QStringLiteral("/proc/self/fd")).entryInfoList(QDir::System)) {
        count += fd.symLinkTarget() == QFileInfo(path).canonicalFilePath();
    }
    return count;
}

QString table(const QStringList& rows) {
    return QStringLiteral("<table>\r\n") + rows.join(QString()) + QStringLiteral("</table>");
}

enum Kind {
    CountUp,
    CountDown,
    FieldUp,
    FieldDown,
    ClickRow,
    Type,
    Reflect,
    Confirm,
    Redo,
    Boxes,
    Convert
};

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
    QString editor, shown, focus = QStringLiteral("UpDown1");

    void apply(const Action& a) {
        focus.clear();
        if (a.kind == CountUp || a.kind == CountDown) {
            countBox = count = std::clamp(countBox + (a.kind == CountUp ? a.arg : -a.arg), 1, 100);
        } else if (a.kind == FieldUp || a.kind == FieldDown) {
            spinner = std::clamp(field + (a.kind == FieldUp ? 1 : -1), 1, count);
            if (spinner != field) {
                field = spinner;
                editor = rows.at(field - 1);
                focus = QStringLiteral("TxtStyle");
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
            focus = spinner != 1 ? QStringLiteral("TxtStyle") : QString();
            spinner = 1;
        } else if (a.kind == Redo) {
            editing = false;
            field = 1;
            rows.clear();
        } else if (a.kind == Convert) {
            shown = expectedTable(a.arg);
        }
    }

    // The table of a file holding the fields v1 .. vN on one line.
    QString expectedTable(int fields) const {
        QStringList lines;
        for (int first = 0; first < fields; first += count) {
            lines << QStringLiteral("<tr>\r\n");
            for (int column = 0; column < count; ++column) {
                const QString attr = column < rows.size() ? rows.at(column) : QString();
                const int index = first + column;
                lines << QStringLiteral("<td") + (attr.isEmpty() ? QString() : u' ' + attr) + u'>' +
                             (index < fields ? QStringLiteral("v%1").arg(index + 1) : "") +
                             QStringLiteral("</td>\r\n");
            }
            lines << QStringLiteral("</tr>\r\n");
        }
        return table(lines);
    }

    // Whether a person could take the action.
    bool possible(const Action& a) const {
        if (a.kind == Convert || a.kind == Boxes) {
            return true;
        }
        return (a.kind == CountUp || a.kind == CountDown || a.kind == Confirm) != editing &&
               (a.kind != ClickRow || a.arg < count);
    }
};

class Driver {
public:
    explicit Driver(QTemporaryDir& dir)
        : m_dir(dir)
        , m_window(&m_user) {
        m_window.show();
        if (!QTest::qWaitForWindowActive(&m_window)) {
            qFatal("the main window did not become active");
        }
    }

    void perform(const Action& a) {
        const auto key = [&](const char* name, bool up) {
            QTest::keyClick(get(m_window, name), up ? Qt::Key_Up : Qt::Key_Down);
        };
        auto* list = get<QListWidget>(m_window, "LstStyle");
        const QString fileName = m_dir.filePath(QStringLiteral("f%1.csv").arg(a.arg));
        QStringList values;
        switch (a.kind) {
        case CountUp:
        case CountDown:
            for (int i = 0; i < a.arg; ++i) {
                key("UpDown1", a.kind == CountUp);
            }
            break;
        case FieldUp:
        case FieldDown:
            key("UpDown2", a.kind == FieldUp);
            break;
        case ClickRow:
            list->scrollToItem(list->item(a.arg));
            QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                              list->visualItemRect(list->item(a.arg)).center());
            break;
        case Type:
            get<QLineEdit>(m_window, "TxtStyle")->setText(a.text);
            break;
        case Boxes:
            for (const char* name : {"TxtDataCnt", "TxtFeeld"}) {
                QTest::keyClicks(get(m_window, name), QStringLiteral("97"));
                QTest::keyClick(get(m_window, name), Qt::Key_Backspace);
            }
            break;
        case Convert:
            for (int i = 1; i <= a.arg; ++i) {
                values << QStringLiteral("v%1").arg(i);
            }
            m_user.answers.push_back(writeFile(fileName, values.join(u',').toLatin1() + "\r\n"));
            get<QAction>(m_window, "mnuCSV")->trigger();
            break;
        default:
            QTest::mouseClick(get(m_window, a.kind == Reflect   ? "CmdHanei"
                                            : a.kind == Confirm ? "CmdDataCntOK"
                                                                : "CmdDataCntCancel"),
                              Qt::LeftButton);
        }
    }

    // Empty when the window shows what the model says.
    QString disagreement(const Model& m) {
        QStringList rows;
        for (int i = 0; i < get<QListWidget>(m_window, "LstStyle")->count(); ++i) {
            rows << get<QListWidget>(m_window, "LstStyle")->item(i)->text();
        }
        const bool e = m.editing;
        const QList<QPair<const char*, bool>> checks = {
            {"count box", get<QLineEdit>(m_window, "TxtDataCnt")->text().toInt() == m.countBox},
            {"DataCnt", m_window.dataCnt() == m.count},
            {"Frame2 shown", get(m_window, "Frame2")->isVisible() == e},
            {"UpDown1 enabled", get(m_window, "UpDown1")->isEnabled() != e},
            {"OK enabled", get(m_window, "CmdDataCntOK")->isEnabled() != e},
            {"redo enabled", get(m_window, "CmdDataCntCancel")->isEnabled() == e},
            {"rows", rows == m.rows},
            {"field number", get<QLineEdit>(m_window, "TxtFeeld")->text().toInt() == m.field},
            {"UpDown2 range", !e || get<SpinButton>(m_window, "UpDown2")->maximum() == m.count},
            {"FieldIdx", !e || m_window.fieldIdx() == m.field - 1},
            {"selected row",
             !e || get<QListWidget>(m_window, "LstStyle")->currentRow() == m.field - 1},
            {"editor", !e || get<QLineEdit>(m_window, "TxtStyle")->text() == m.editor},
            {"focus", m.focus.isEmpty() || (QApplication::focusWidget() &&
                                            QApplication::focusWidget()->objectName() == m.focus)},
            {"table", m_window.tagViewText() == m.shown},
            {"no message", m_user.failures == 0},
        };
        QStringList wrong;
        for (const auto& [what, ok] : checks) {
            if (!ok) {
                wrong << QString::fromLatin1(what);
            }
        }
        return wrong.join(QStringLiteral(", "));
    }

private:
    QTemporaryDir& m_dir;
    ScriptedUser m_user;
    frmTable m_window;
};

// Actions a person could take in the state the model is in; now and then a
// long attribute, and a count turned up past its top of 100.
Action randomAction(std::mt19937& rng, const Model& m) {
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const QString texts[] = {QString(), QStringLiteral("align=right"),
                             QStringLiteral(u" class=\"a b\" 金額 "), QString(40000, u'x')};
    if (!m.editing) {
        const Kind kinds[] = {CountUp, CountDown, Convert, Boxes, Confirm, Confirm};
        const Kind kind = kinds[pick(6)];
        return {kind, kind == CountUp && pick(8) == 0 ? 120 : 1 + pick(kind == Convert ? 9 : 4)};
    }
    const Kind kinds[] = {FieldUp, FieldDown, ClickRow, Type, Reflect, Reflect, Convert, Redo};
    const Kind kind = kinds[pick(8)];
    return {kind, kind == ClickRow ? pick(m.count) : 1 + pick(9), texts[pick(3 + (pick(6) == 0))]};
}

// The first step at which the window and the model part, or -1.
int firstFailure(const std::vector<Action>& actions, QString* why = nullptr) {
    QTemporaryDir dir;
    Driver driver(dir);
    Model model;
    if (const QString wrong = driver.disagreement(model); !wrong.isEmpty()) {
        *why = wrong;
        return 0;
    }
    for (std::size_t i = 0; i < actions.size(); ++i) {
        if (!model.possible(actions[i])) {
            continue;
        }
        driver.perform(actions[i]);
        model.apply(actions[i]);
        if (const QString wrong = driver.disagreement(model); !wrong.isEmpty()) {
            *why = wrong;
            return int(i);
        }
    }
    return -1;
}

} // namespace

class WindowTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(uiFont()); }
    void windowFollowsTheModel();
    void commands_data();
    void commands();
    void controlsAreReachableAndDistinct();
    void versionWindowIsOneAndExitClosesIt();
};

// A failure names its seed and step; QUORVANE_MODEL_SEED replays one seed.
void WindowTest::windowFollowsTheModel() {
    const unsigned one = qgetenv("QUORVANE_MODEL_SEED").toUInt();
    for (unsigned seed = one ? one : 1; seed <= (one ? one : 300); ++seed) {
        std::mt19937 rng(seed);
        Model model;
        std::vector<Action> actions;
        for (int i = 0; i < 40; ++i) {
            actions.push_back(randomAction(rng, model));
            model.apply(actions.back());
        }
        QString why;
        const int step = firstFailure(actions, &why);
        QVERIFY2(step < 0,
                 qPrintable(QStringLiteral("seed %1, step %2: %3").arg(seed).arg(step).arg(why)));
    }
}

// After a first table, one command: what the box shows, the failures the
// user was told of, the name the dialog starts from next time; then both
// copy commands put exactly the text shown on the clipboard.
void WindowTest::commands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<int>("failures");
    QTest::addColumn<QString>("remembered");
    const QStringList fresh{QStringLiteral("new.csv")};
    QTest::newRow("Enter on the button") << "CmdFileOpen" << fresh << true << 0 << "new.csv";
    QTest::newRow("menu") << "mnuCSV" << fresh << true << 0 << "new.csv";
    QTest::newRow("cancel") << "mnuCSV" << QStringList{} << false << 0 << "first.csv";
    QTest::newRow("missing file") << "mnuCSV" << QStringList{"missing.csv"} << false << 1
                                  << "missing.csv";
    QTest::newRow("missing folder")
        << "mnuCSV" << QStringList{"nofolder/x.csv"} << false << 1 << "nofolder/x.csv";
    QTest::newRow("folder") << "CmdFileOpen" << QStringList{"sub"} << false << 1 << "sub";
    QTest::newRow("drop one file") << "drop" << fresh << true << 0 << "new.csv";
    QTest::newRow("drop a missing file")
        << "drop" << QStringList{"missing.csv"} << false << 1 << "missing.csv";
    QTest::newRow("drop two files")
        << "drop" << QStringList{"new.csv", "first.csv"} << false << 0 << "first.csv";
    QTest::newRow("drop a web address")
        << "drop" << QStringList{"https://example.com/new.csv"} << false << 0 << "first.csv";
}

void WindowTest::commands() {
    QFETCH(QString, command);
    QFETCH(QStringList, given);
    QFETCH(bool, converts);
    QFETCH(int, failures);
    QFETCH(QString, remembered);
    QTemporaryDir dir;
    ScriptedUser user;
    frmTable window(&user);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    QVERIFY(QDir(dir.path()).mkpath(QStringLiteral("sub")));
    // A quoted lone LF, and code page 932 text.
    const QString first = writeFile(dir.filePath(QStringLiteral("first.csv")), "1,\"a\nb\"\r\n");
    const QString fresh =
        writeFile(dir.filePath(QStringLiteral("new.csv")), "\x93\x8c\x8b\x9e\r\n");
    user.answers.push_back(first);
    get<QAction>(window, "mnuCSV")->trigger();
    const QString before =
        table({"<tr>\r\n<td>1</td>\r\n</tr>\r\n", "<tr>\r\n<td>a\nb</td>\r\n</tr>\r\n"});
    QCOMPARE(window.tagViewText(), before);

    QMimeData data;
    for (const QString& name : given) {
        data.setUrls(data.urls() << (name.contains(u':')
                                         ? QUrl(name)
                                         : QUrl::fromLocalFile(dir.filePath(name))));
    }
    if (command == QLatin1String("drop")) {
        const QPoint at = window.rect().center();
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &enter);
        QCOMPARE(enter.isAccepted(), converts || failures > 0);
        QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QCoreApplication::sendEvent(&window, &drop);
        QCoreApplication::processEvents();
    } else {
        user.answers.push_back(given.isEmpty() ? std::nullopt
                                               : std::optional(dir.filePath(given.front())));
        if (command == QLatin1String("mnuCSV")) {
            get<QAction>(window, "mnuCSV")->trigger();
        } else {
            get(window, "CmdFileOpen")->setFocus();
            QTest::keyClick(get(window, "CmdFileOpen"), Qt::Key_Return);
        }
    }
    const QString shown =
        converts ? table({QStringLiteral(u"<tr>\r\n<td>東京</td>\r\n</tr>\r\n")}) : before;
    QCOMPARE(window.tagViewText(), shown);
    QCOMPARE(user.failures, failures);
    QVERIFY(!user.busyWhileAsked);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(openDescriptorsOn(first) + openDescriptorsOn(fresh), 0);
    get<QAction>(window, "mnuCSV")->trigger();
    QCOMPARE(user.startedFrom.back(), dir.filePath(remembered));

    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    get(window, "CmdCopy")->setFocus();
    QTest::keyClick(get(window, "CmdCopy"), Qt::Key_Enter);
    QCOMPARE(QGuiApplication::clipboard()->text(), shown);
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    get<QAction>(window, "mnuCopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), shown);
}

namespace {

// The access key of a caption: the character after a lone "&".
QChar accessKey(const QString& caption) {
    const qsizetype amp = caption.indexOf(u'&');
    return amp >= 0 && amp + 1 < caption.size() ? caption[amp + 1].toUpper() : QChar();
}

// Every caption has an access key, and no two share one.
bool distinctKeys(const QStringList& captions) {
    QSet<QChar> keys;
    for (const QString& caption : captions) {
        keys.insert(accessKey(caption));
    }
    return !keys.contains(QChar()) && keys.size() == captions.size();
}

} // namespace

// In both states: no two controls overlap; Tab walks the order forward and
// back over what is shown and enabled; access keys are distinct in the
// window (buttons and menu bar) and in each menu.
void WindowTest::controlsAreReachableAndDistinct() {
    ScriptedUser user;
    frmTable window(&user);
    window.show();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    const QStringList walks[] = {
        {"UpDown1", "CmdDataCntOK", "CmdFileOpen", "CmdCopy", "TxtTag", "TxtDataCnt"},
        {"CmdDataCntCancel", "UpDown2", "TxtStyle", "CmdHanei", "CmdFileOpen", "CmdCopy", "TxtTag",
         "TxtDataCnt", "LstStyle", "TxtFeeld"}};
    for (const QStringList& walk : walks) {
        if (&walk != walks) {
            QTest::mouseClick(get(window, "CmdDataCntOK"), Qt::LeftButton);
        }
        get(window, walk.front())->setFocus(Qt::TabFocusReason);
        for (const char* name : {"centralWidget", "Frame1", "Frame2"}) {
            const QWidget* box = *name == 'c' ? window.centralWidget() : get(window, name);
            const QList<QWidget*> controls =
                box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (qsizetype i = 0; i < controls.size(); ++i) {
                for (qsizetype j = i + 1; j < controls.size(); ++j) {
                    QVERIFY2(
                        !controls[i]->geometry().intersects(controls[j]->geometry()),
                        qPrintable(controls[i]->objectName() + u'/' + controls[j]->objectName()));
                }
            }
        }
        for (const Qt::KeyboardModifier direction : {Qt::NoModifier, Qt::ShiftModifier}) {
            QStringList seen;
            for (qsizetype i = 0; i < walk.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, direction);
                seen.push_front(QApplication::focusWidget()->objectName());
            }
            QStringList expected = walk;
            if (direction == Qt::NoModifier) {
                std::rotate(expected.begin(), expected.begin() + 1, expected.end());
                std::reverse(expected.begin(), expected.end());
            }
            QCOMPARE(seen, expected);
        }
    }
    QStringList captions;
    for (const QPushButton* button : window.findChildren<QPushButton*>()) {
        captions << button->text();
    }
    for (const QAction* entry : window.menuBar()->actions()) {
        captions << entry->text();
        QStringList items;
        for (const QAction* item : entry->menu() ? entry->menu()->actions() : QList<QAction*>()) {
            if (!item->isSeparator()) {
                items << item->text();
            }
        }
        QVERIFY2(items.isEmpty() || distinctKeys(items), qPrintable(items.join(u' ')));
    }
    QVERIFY2(distinctKeys(captions), qPrintable(captions.join(u' ')));
}

// The version command twice shows one About window, owned by no one; the
// exit command ends the event loop at once and closes it.
void WindowTest::versionWindowIsOneAndExitClosesIt() {
    ScriptedUser user;
    frmTable window(&user);
    auto* version = get<QAction>(window, "mnuVir");
    version->trigger();
    version->trigger();
    QList<QPointer<QWidget>> shown;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmAbout*>(w) && w->isVisible() && !w->parentWidget()) {
            shown << w;
        }
    }
    QCOMPARE(shown.size(), 1);
    QTimer::singleShot(0, &window, [&] { get<QAction>(window, "mnuClose")->trigger(); });
    QTimer::singleShot(60000, [] { QCoreApplication::exit(1); });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(shown.front().isNull() || !shown.front()->isVisible());
}

QTEST_MAIN(WindowTest)
#include "window_test.moc"
