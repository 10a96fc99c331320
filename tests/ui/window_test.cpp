// The main window and its dialogs used as a person would: random sequences of
// actions checked after every one against a plain model of the column
// settings; the commands that convert and copy; what holds of the controls
// whatever their captions and places; the About window; Qt's own dialogs.
#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/frm_table.h"
#include "quorvane/ui/main/qt_user_dialogs.h"
#include "quorvane/ui/spin_button.h"
#include "scripted_user.h"

#include <QTest>
#include <QtWidgets>

#include <random>

using namespace quorvane::ui;

namespace {

template <typename T = QWidget> T* get(const QObject& window, const char* name) {
    return window.findChild<T*>(QLatin1String(name));
}

QString text(const QObject& window, const char* name) {
    return get<QLineEdit>(window, name)->text();
}

// A command as a person gives it: Enter on a button, or a menu item.
void give(const QObject& window, const char* name) {
    if (auto* button = get<QPushButton>(window, name)) {
        button->setFocus();
        QTest::keyClick(button, Qt::Key_Return);
    } else {
        get<QAction>(window, name)->trigger();
    }
}

QString writeFile(const QString& path, const QByteArray& bytes) {
    if (QFile file(path); !file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
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
};

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
    QString editor, shown, focus = QStringLiteral("UpDown1");

    void apply(const Action& a) {
        focus.clear();
        if (a.kind == Count) {
            countBox = count = std::clamp(countBox + a.arg, 1, 100);
        } else if (a.kind == Field) {
            spinner = std::clamp(field + (a.arg > 0 ? 1 : -1), 1, count);
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
        QString table = QStringLiteral("<table>\r\n");
        for (int first = 0; first < fields; first += count) {
            table += QStringLiteral("<tr>\r\n");
            for (int c = 0; c < count; ++c) {
                const QString attr = c < rows.size() && !rows[c].isEmpty() ? u' ' + rows[c] : "";
                const QString value =
                    first + c < fields ? QStringLiteral("v%1").arg(first + c + 1) : "";
                table += QStringLiteral("<td%1>%2</td>\r\n").arg(attr, value);
            }
            table += QStringLiteral("</tr>\r\n");
        }
        return table + QStringLiteral("</table>");
    }
};

// Spinners are stepped by key and by mouse in turn; the mouse hits each half
// next to where the halves meet.
void step(QWidget* spinner, bool up, bool byMouse) {
    if (byMouse) {
        QWidget* half = spinner->childAt(spinner->width() / 2, spinner->height() / 2 - up);
        QTest::mouseClick(half, Qt::LeftButton, {}, half->rect().center());
    } else {
        QTest::keyClick(spinner, up ? Qt::Key_Up : Qt::Key_Down);
    }
}

void perform(Fixture& f, const Action& a) {
    auto* list = get<QListWidget>(f.window, "LstStyle");
    QStringList values;
    switch (a.kind) {
    case Count:
        for (int i = 0; i < std::abs(a.arg); ++i) {
            step(get(f.window, "UpDown1"), a.arg > 0, i % 2);
        }
        break;
    case Field:
        step(get(f.window, "UpDown2"), a.arg > 0, std::abs(a.arg) == 2);
        break;
    case ClickRow:
        list->scrollToItem(list->item(a.arg));
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(a.arg)).center());
        break;
    case Type:
        get<QLineEdit>(f.window, "TxtStyle")->setText(a.text);
        break;
    case Boxes: // they are read-only
        for (const char* name : {"TxtDataCnt", "TxtFeeld"}) {
            QTest::keyClicks(get(f.window, name), QStringLiteral("97"));
            QTest::keyClick(get(f.window, name), Qt::Key_Backspace);
        }
        break;
    case Convert:
        for (int i = 1; i <= a.arg; ++i) {
            values << QStringLiteral("v%1").arg(i);
        }
        f.user.answers.push_back(writeFile(f.dir.filePath(QStringLiteral("f%1.csv").arg(a.arg)),
                                           values.join(u',').toLatin1() + "\r\n"));
        give(f.window, "mnuCSV");
        break;
    default:
        give(f.window, a.kind == Reflect   ? "CmdHanei"
                       : a.kind == Confirm ? "CmdDataCntOK"
                                           : "CmdDataCntCancel");
    }
}

// Empty when the window shows what the model says.
QString disagreement(const Fixture& f, const Model& m) {
    const frmTable& w = f.window;
    auto* list = get<QListWidget>(w, "LstStyle");
    QStringList rows;
    for (int i = 0; i < list->count(); ++i) {
        rows << list->item(i)->text();
    }
    const bool e = m.editing;
    const QWidget* focus = QApplication::focusWidget();
    const std::pair<const char*, bool> checks[] = {
        {"count box", text(w, "TxtDataCnt").toInt() == m.countBox},
        {"DataCnt", w.dataCnt() == m.count},
        {"shown/enabled", QList{get(w, "Frame2")->isVisible(), !get(w, "UpDown1")->isEnabled(),
                                !get(w, "CmdDataCntOK")->isEnabled(),
                                get(w, "CmdDataCntCancel")->isEnabled()} == QList<bool>(4, e)},
        {"rows", rows == m.rows},
        {"field", text(w, "TxtFeeld").toInt() == m.field &&
                      (!e || (w.fieldIdx() == m.field - 1 && list->currentRow() == m.field - 1))},
        {"UpDown2 range", !e || get<SpinButton>(w, "UpDown2")->maximum() == m.count},
        {"editor", !e || text(w, "TxtStyle") == m.editor},
        {"focus", m.focus.isEmpty() || (focus && focus->objectName() == m.focus)},
        {"table", w.tagViewText() == m.shown},
        {"no message", f.user.failures == 0},
    };
    QString wrong;
    for (const auto& [what, ok] : checks) {
        wrong += ok ? QString() : QString::fromLatin1(what) + u' ';
    }
    return wrong;
}

// An action a person could take in the state the model is in; now and then a
// long attribute, and a count turned up past its top of 100.
Action randomAction(std::mt19937& rng, const Model& m) {
    auto pick = [&](int n) { return int(rng() % unsigned(n)); };
    const QString texts[] = {QString(), QStringLiteral("align=right"),
                             QStringLiteral(u" class=\"a b\" 金額 "), QString(40000, u'x')};
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

// Every caption has an access key, and no two share one.
bool distinctKeys(QStringList captions) {
    for (QString& caption : captions) {
        caption = QKeySequence::mnemonic(caption).toString();
    }
    return !captions.contains(QString()) && captions.removeDuplicates() == 0;
}

} // namespace

class WindowTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(uiFont()); }

    // A failure names its seed and step; QUORVANE_MODEL_SEED replays one seed.
    void windowFollowsTheModel() {
        const unsigned one = qgetenv("QUORVANE_MODEL_SEED").toUInt();
        for (unsigned seed = one ? one : 1; seed <= (one ? one : 300); ++seed) {
            std::mt19937 rng(seed);
            Fixture f;
            Model model;
            for (int i = 0; i <= 40; ++i) {
                const QString wrong = disagreement(f, model);
                QVERIFY2(
                    wrong.isEmpty(),
                    qPrintable(QStringLiteral("seed %1, step %2: %3").arg(seed).arg(i).arg(wrong)));
                const Action action = randomAction(rng, model);
                perform(f, action);
                model.apply(action);
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
            {"mnuCSV", "new.csv", 0},
            {"mnuCSV", "", -1},
            {"mnuCSV", "missing.csv", 1},
            {"mnuCSV", "nofolder/x.csv", 1},
            {"CmdFileOpen", "sub", 1},
            {"drop", "new.csv", 0},
            {"drop", "missing.csv", 1},
            {"drop", "new.csv first.csv", -1},
            {"drop", "https://example.com/new.csv", -1}};
        for (const auto& [command, given, result] : rows) {
            Fixture f;
            QVERIFY(QDir(f.dir.path()).mkpath(QStringLiteral("sub")));
            // A quoted lone LF, and code page 932 text.
            const QString first =
                writeFile(f.dir.filePath(QStringLiteral("first.csv")), "1,\"a\nb\"\r\n");
            const QString fresh =
                writeFile(f.dir.filePath(QStringLiteral("new.csv")), "\x93\x8c\x8b\x9e\r\n");
            f.user.answers.push_back(first);
            give(f.window, "mnuCSV");
            const QString before =
                QStringLiteral("<table>\r\n<tr>\r\n<td>1</td>\r\n</tr>\r\n<tr>\r\n<td>a\nb</"
                               "td>\r\n</tr>\r\n</table>");
            QCOMPARE(f.window.tagViewText(), before);
            if (command == QLatin1String("drop")) {
                QMimeData data;
                QList<QUrl> urls;
                for (const QString& name : QString(given).split(u' ')) {
                    urls << (name.contains(u':') ? QUrl(name)
                                                 : QUrl::fromLocalFile(f.dir.filePath(name)));
                }
                data.setUrls(urls);
                const QPoint at = f.window.rect().center();
                QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(&f.window, &enter);
                QCOMPARE(enter.isAccepted(), result >= 0);
                QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(&f.window, &drop);
                QCoreApplication::processEvents();
            } else {
                f.user.answers.push_back(*given ? std::optional(f.dir.filePath(given))
                                                : std::nullopt);
                give(f.window, command);
            }
            const QString shown =
                result == 0
                    ? QStringLiteral(u"<table>\r\n<tr>\r\n<td>東京</td>\r\n</tr>\r\n</table>")
                    : before;
            QCOMPARE(std::tuple(QString(given), f.window.tagViewText(), f.user.failures),
                     std::tuple(QString(given), shown, result == 1 ? 1 : 0));
            QVERIFY(!f.user.busyWhileAsked && !QApplication::overrideCursor());
            QCOMPARE(openDescriptorsOn(first) + openDescriptorsOn(fresh), 0);
            give(f.window, "mnuCSV");
            QCOMPARE(f.user.startedFrom, f.dir.filePath(result < 0 ? "first.csv" : given));
            for (const char* copy : {"CmdCopy", "mnuCopy"}) {
                QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
                give(f.window, copy);
                QCOMPARE(QGuiApplication::clipboard()->text(), shown);
            }
        }
    }

    // No two controls of a box overlap; in both states, Tab walks the order
    // over what is shown and enabled; access keys are distinct in the window
    // (buttons and menu bar) and in each menu.
    void controlsAreReachableAndDistinct() {
        Fixture f;
        for (QWidget* box :
             {f.window.centralWidget(), get(f.window, "Frame1"), get(f.window, "Frame2")}) {
            const QList<QWidget*> controls =
                box->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
            for (const QWidget* a : controls) {
                for (const QWidget* b : controls) {
                    QVERIFY2(a == b || !a->geometry().intersects(b->geometry()),
                             qPrintable(a->objectName() + u'/' + b->objectName()));
                }
            }
        }
        for (const char* walk :
             {"UpDown1 CmdDataCntOK CmdFileOpen CmdCopy TxtTag TxtDataCnt",
              "CmdDataCntCancel UpDown2 TxtStyle CmdHanei CmdFileOpen CmdCopy TxtTag TxtDataCnt "
              "LstStyle TxtFeeld"}) {
            const QStringList order = QString::fromLatin1(walk).split(u' ');
            get(f.window, qPrintable(order.front()))->setFocus();
            QStringList seen;
            for (qsizetype i = 0; i < order.size(); ++i) {
                QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
                seen << QApplication::focusWidget()->objectName();
            }
            QCOMPARE(seen, order.mid(1) << order.front());
            give(f.window, "CmdDataCntOK");
        }
        QStringList captions;
        for (const QPushButton* button : f.window.findChildren<QPushButton*>()) {
            captions << button->text();
        }
        for (const QAction* entry : f.window.menuBar()->actions()) {
            captions << entry->text();
            QStringList items;
            for (const QAction* item :
                 entry->menu() ? entry->menu()->actions() : QList<QAction*>()) {
                items << item->text();
            }
            items.removeAll(QString()); // separators
            QVERIFY2(items.isEmpty() || distinctKeys(items), qPrintable(items.join(u' ')));
        }
        QVERIFY2(distinctKeys(captions), qPrintable(captions.join(u' ')));
    }

    // The version command, twice, shows one About window, owned by no one,
    // with the project's name and version; Enter closes it. The exit command
    // ends the event loop at once and closes the About window too.
    void aboutIsOneWindowAndClosesByKeyAndExit() {
        Fixture f;
        const auto shown = [] {
            QList<QPointer<frmAbout>> all;
            for (QWidget* w : QApplication::topLevelWidgets()) {
                if (qobject_cast<frmAbout*>(w) && w->isVisible() && !w->parentWidget()) {
                    all << qobject_cast<frmAbout*>(w);
                }
            }
            return all;
        };
        give(f.window, "mnuVir");
        give(f.window, "mnuVir");
        QCOMPARE(shown().size(), 1);
        QPointer<frmAbout> about = shown().front();
        QCOMPARE(get<QLabel>(*about, "lblTitle")->text(), QStringLiteral(QUORVANE_NAME));
        QVERIFY(about->windowTitle().startsWith(QStringLiteral(QUORVANE_NAME)));
        QCOMPARE(get<QLabel>(*about, "lblVersion")->text(),
                 QStringLiteral(u"ﾊﾞｰｼﾞｮﾝ " QUORVANE_VERSION));
        // The caption alone on the first line: by spaces where they reach, else a line end.
        QVERIFY(!frmAbout::descriptionText(about->font(), 60).contains(u'\n'));
        QVERIFY(frmAbout::descriptionText(about->font(), 2000).contains(u"の説明\nCSV"));
        QVERIFY(QTest::qWaitForWindowActive(about));
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
        QTRY_VERIFY(about.isNull());

        give(f.window, "mnuVir");
        about = shown().front();
        QTimer::singleShot(0, &f.window, [&] { give(f.window, "mnuClose"); });
        QTimer::singleShot(60000, [] { QCoreApplication::exit(1); });
        QCOMPARE(QCoreApplication::exec(), 0);
        QVERIFY(about.isNull() || !about->isVisible());
    }

    // A name typed and Open pressed (none: the dialog cancelled): the answer,
    // and whether the dialog refused the name with a warning. It starts from
    // the name given last. The failure message: its title, text, one button.
    void qtDialogsAnswer() {
        for (const auto& [typed, warned] :
             {std::pair("missing.csv", false), {"nofolder/x.csv", true}, {"", false}}) {
            QTemporaryDir dir;
            const QString last = dir.filePath(QStringLiteral("last.csv"));
            const QString path = dir.filePath(typed);
            bool sawWarning = false;
            QStringList startedAt;
            whenModal([&](QWidget* modal) {
                auto* dialog = qobject_cast<QFileDialog*>(modal);
                startedAt = dialog->selectedFiles() << dialog->nameFilters();
                if (!*typed) {
                    dialog->reject();
                    return;
                }
                dialog->selectFile(path);
                // A refusal shows its warning inside accept().
                QTimer::singleShot(0, dialog, [&] {
                    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                        sawWarning = true;
                        box->close();
                    }
                });
                static_cast<QDialog*>(dialog)->accept();
                if (dialog->isVisible()) {
                    dialog->reject();
                }
            });
            const std::optional<QString> answer = QtUserDialogs().chooseCsvFile(nullptr, last);
            QCOMPARE(startedAt, (QStringList{last, QStringLiteral("CSV(*.csv) (*.csv)")}));
            QCOMPARE(answer, !*typed || warned ? std::nullopt : std::optional(path));
            QCOMPARE(sawWarning, warned);
        }
        QStringList seen;
        whenModal([&](QWidget* modal) {
            auto* box = qobject_cast<QMessageBox*>(modal);
            seen << box->windowTitle() << box->text() << QString::number(box->buttons().size());
            box->button(QMessageBox::Ok)->click();
        });
        QtUserDialogs().reportFailure(nullptr);
        QCOMPARE(seen, (QStringList{QStringLiteral(u"ぽるめに"),
                                    QStringLiteral(u"未知のエラーが発生しました。"), "1"}));
    }
};

QTEST_MAIN(WindowTest)
#include "window_test.moc"
