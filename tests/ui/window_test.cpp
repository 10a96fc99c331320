// The Qt face of the main window used as a person would: that it carries
// out what the window's behaviour asks and hands it the user's actions; the
// dialogs, drops, the clipboard and the progress window; what holds of the
// controls whatever their captions and places; the About window.
#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/frm_table.h"
#include "quorvane/ui/main/qt_user_dialogs.h"
#include "quorvane/ui/spin_button.h"
#include "quorvane/window/conversion_job.h"
#include "scripted_user.h"

#include <QTest>
#include <QtWidgets>

#include <atomic>

using namespace quorvane::ui;
using quorvane::window::ConversionJob;
using namespace Qt::StringLiterals;

// The main window, shown and active; the person at its dialogs; a scratch folder.
struct Fixture {
    QTemporaryDir dir;
    ScriptedUser user;
    frmTable window;

    explicit Fixture(quorvane::window::TableWindow::JobMaker makeJob = {})
        : window(&user, std::move(makeJob)) {
        show();
    }

    void show() {
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

    // A command as a person gives it: Enter on a button, or a menu item; a
    // conversion it starts runs to its end.
    void give(const char* name) {
        auto* button = get<QPushButton>(name);
        button ? QTest::keyClick(button, Qt::Key_Return) : get<QAction>(name)->trigger();
        settle();
    }
    void settle() {
        if (!QTest::qWaitFor([&] { return !window.busy(); }, 60000)) {
            qFatal("the conversion did not end");
        }
    }
};

class WindowTest final : public QObject {
    Q_OBJECT

    QTemporaryDir m_config;

private slots:
    // Every run starts with no remembered settings.
    void initTestCase() {
        QApplication::setFont(uiFont());
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    }

    // After a first table, one command given names (none: a cancel), which
    // converts (0), fails with a message (1) or is ignored (-1): the table
    // shown, the name the dialog starts from next time, the cursor left; then
    // both copy commands put exactly the text shown on the clipboard. Drops
    // on the window and on the attribute editor alike.
    void commands() {
        const std::tuple<const char*, const char*, int> rows[] = {
            {"CmdFileOpen", "新しい.csv", 0},  {"mnuCSV", "", -1},
            {"mnuCSV", "missing.csv", 1},      {"drop", "新しい.csv", 0},
            {"drop", "new.csv first.csv", -1}, {"drop", "https://example.com/new.csv", -1},
            {"TxtStyle", "新しい.csv", 0},     {"TxtStyle", "https://example.com/new.csv", -1}};
        for (const auto& [command, given, result] : rows) {
            Fixture f;
            // A quoted lone LF, and code page 932 text.
            f.write("新しい.csv", "\x93\x8c\x8b\x9e\r\n");
            f.user.answers.push_back(f.write("first.csv", "1,\"a\nb\"\r\n"));
            f.give("mnuCSV");
            const QString before = u"<table>\r\n<tr>\r\n<td>1</td>\r\n</tr>\r\n<tr>\r\n"
                                   u"<td>a\nb</td>\r\n</tr>\r\n</table>"_s;
            QCOMPARE(f.window.tagViewText(), before);
            if (command != "mnuCSV"_L1 && command != "CmdFileOpen"_L1) {
                QWidget* target = command == "drop"_L1 ? &f.window : f.get(command);
                QMimeData data;
                QList<QUrl> urls;
                for (const QString& name : QString(given).split(u' ')) {
                    urls << (name.contains(u':') ? QUrl(name) : QUrl::fromLocalFile(f.path(name)));
                }
                data.setUrls(urls);
                const QPoint at = target->rect().center();
                QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(target, &enter);
                QCOMPARE(enter.isAccepted() && target->acceptDrops(), result >= 0);
                QDropEvent drop(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
                QCoreApplication::sendEvent(target, &drop);
                QCoreApplication::processEvents();
                f.settle();
                QCOMPARE(f.text("TxtStyle"), QString());
            } else {
                f.user.answers.push_back(*given ? std::optional(f.path(given)) : std::nullopt);
                f.give(command);
            }
            const QString shown =
                result == 0 ? u"<table>\r\n<tr>\r\n<td>東京</td>\r\n</tr>\r\n</table>"_s : before;
            QCOMPARE(std::tuple(QString(given), f.window.tagViewText(), f.user.failures,
                                f.user.busyWhileAsked || QApplication::overrideCursor()),
                     std::tuple(QString(given), shown, result == 1 ? 1 : 0, false));
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
        auto* up = f.get("UpDown1")->findChild<QToolButton*>("up");
        up->setAutoRepeatDelay(1);
        up->setAutoRepeatInterval(1);
        QTest::mousePress(up, Qt::LeftButton, {}, up->rect().center());
        QTRY_VERIFY(f.text("TxtDataCnt").toInt() > 3);
        QTest::mouseRelease(up, Qt::LeftButton, {}, up->rect().center());
        const QString held = f.text("TxtDataCnt");
        QTest::qWait(20);
        QCOMPARE(f.text("TxtDataCnt"), held);
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
        for (QWidget* w : f.window.centralWidget()->findChildren<QWidget*>()) {
            QVERIFY2(w->parentWidget()->rect().contains(w->geometry()),
                     qPrintable(w->objectName()));
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

    // A conversion still running when the delay is over shows the progress
    // window, modal, with the file's name and how far the job has read; the
    // main window takes no input meanwhile. The job ends it by itself, or the
    // button, Esc, the close box or closing the main window cancel it; the
    // main window then closes after the end.
    void progressWindowShowsAndCancels() {
        for (const char* way : {"ends", "CmdCancel", "Esc", "close box", "main window"}) {
            std::atomic<bool> release = false;
            Fixture f(
                [&](const std::filesystem::path& path, const auto&, const auto&, const auto&) {
                    return std::make_unique<ConversionJob>(path, [&](ConversionJob::Progress& p) {
                        for (p.Sized(4); !release;) { // half read until released
                            p.BytesRead(2);
                        }
                        return std::string("table");
                    });
                });
            f.user.answers.push_back(f.path(u"東京.csv"_s));
            QTest::keyClick(f.get("CmdFileOpen"), Qt::Key_Return);
            const auto progress = [] {
                return qobject_cast<QDialog*>(QApplication::activeModalWidget());
            };
            QVERIFY(QTest::qWaitFor([&] {
                return progress() &&
                       progress()->findChild<QProgressBar*>("barRead")->value() == 500;
            }));
            QCOMPARE(progress()->objectName() + ' ' +
                         progress()->findChild<QLabel*>("lblFile")->text() + ' ' +
                         (progress()->isModal() ? "modal" : ""),
                     u"frmProgress 東京.csv modal"_s);
            QTest::keyClick(f.get("CmdDataCntOK"), Qt::Key_Return);
            QCOMPARE(f.get("CmdDataCntOK")->isEnabled(), true);
            if (way == "ends"_L1) {
                release = true;
            } else if (way == "CmdCancel"_L1) {
                QTest::mouseClick(progress()->findChild<QPushButton*>(way), Qt::LeftButton);
            } else if (way == "Esc"_L1) {
                QTest::keyClick(progress(), Qt::Key_Escape);
            } else {
                (way == "close box"_L1 ? static_cast<QWidget*>(progress()) : &f.window)->close();
            }
            release = true;
            f.settle();
            QCOMPARE(std::tuple(f.window.tagViewText(), f.window.isVisible(),
                                QApplication::activeModalWidget() == nullptr),
                     std::tuple(way == "ends"_L1 ? u"table"_s : QString(), way != "main window"_L1,
                                true));
        }
    }

    // The options menu's check marks follow the window's options, which a
    // window started later finds in the settings file; a damaged file starts
    // the window with the defaults.
    void optionsAreRemembered() {
        QTemporaryDir config;
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, config.path());
        const auto checked = [](Fixture& f) {
            QString marks;
            for (const char* name : {"mnuHeader", "mnuEscape", "mnuComma", "mnuTab", "mnuReadUtf8",
                                     "mnuAuto", "mnuSaveUtf8", "mnuSaveCp932"}) {
                marks += f.get<QAction>(name)->isChecked() ? u'1' : u'0';
            }
            return marks;
        };
        {
            Fixture f;
            for (const char* name : {"mnuHeader", "mnuTab", "mnuReadUtf8"}) {
                f.get<QAction>(name)->trigger();
            }
            QCOMPARE(checked(f), u"10011010"_s);
        }
        {
            Fixture f;
            QCOMPARE(std::tuple(checked(f), f.user.failures), std::tuple(u"10011010"_s, 0));
        }
        QFile ini(config.filePath(u"Quorvane/quorvane.ini"_s));
        QVERIFY(ini.open(QFile::WriteOnly));
        ini.write("[General]\nheader=@Variant(\\0\\0\\0\\x7f)\ndelimiter=;\n\xff\xfe=x\n[");
        ini.close();
        Fixture damaged;
        QCOMPARE(std::tuple(checked(damaged), damaged.user.failures), std::tuple(u"00100110"_s, 0));
        QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, m_config.path());
    }

    // Qt's own dialog: a cancel is no choice, even with a name typed in; OK
    // gives the name, which may be of a file still to come.
    void fileDialogTellsCancelFromChoice() {
        QTemporaryDir dir;
        QtUserDialogs dialogs;
        for (const bool ok : {false, true}) {
            QTimer::singleShot(0, [ok] {
                auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
                ok ? dialog->accept() : dialog->reject();
            });
            QCOMPARE(dialogs.chooseCsvFile(nullptr, dir.filePath("x.csv")),
                     ok ? std::optional(dir.filePath("x.csv")) : std::nullopt);
        }
    }

    // Assistive tools know the boxes, the list and the output box by their
    // labels, and can turn a spinner; a spinner shows when it has the focus.
    void assistiveToolsAndFocus() {
        Fixture f;
        const auto name = [&](const char* control) {
            return QAccessible::queryAccessibleInterface(f.get(control))->text(QAccessible::Name);
        };
        QCOMPARE(name("TxtDataCnt"), f.get<QLabel>("Label1")->text());
        for (const char* control : {"UpDown1", "TxtFeeld", "TxtStyle", "LstStyle", "TxtTag"}) {
            QVERIFY2(!name(control).isEmpty(), control);
        }
        QAccessibleInterface* spinner = QAccessible::queryAccessibleInterface(f.get("UpDown1"));
        QAccessibleActionInterface* actions = spinner->actionInterface();
        QVERIFY(actions);
        actions->doAction(QAccessibleActionInterface::increaseAction());
        actions->doAction(QAccessibleActionInterface::increaseAction());
        actions->doAction(QAccessibleActionInterface::decreaseAction());
        QCOMPARE(f.text("TxtDataCnt"), u"2"_s);
        QCOMPARE(spinner->valueInterface()->currentValue().toInt(), 2);
        spinner->valueInterface()->setCurrentValue(7);
        QCOMPARE(f.text("TxtDataCnt"), u"7"_s);
        QWidget* up = f.get("UpDown1");
        const auto corner = [&] { return up->grab().toImage().pixelColor(0, 0); };
        f.get("CmdDataCntOK")->setFocus();
        const QColor unfocused = corner();
        up->setFocus();
        QCOMPARE(corner(), up->palette().color(QPalette::Highlight));
        QVERIFY(unfocused != corner());
    }

    // The version command, twice, shows one About window, owned by no one,
    // in front; Enter closes it. The exit command
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
        // The focus starts on OK; Tab reaches the address box.
        QCOMPARE(QApplication::focusWidget()->objectName(), u"cmdOK"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget()->objectName(), u"Text1"_s);
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab);
        // Its texts and rule in the palette's colours, so that a dark theme reads.
        QPalette dark = about->palette();
        dark.setColor(QPalette::Window, Qt::black);
        dark.setColor(QPalette::WindowText, Qt::white);
        about->setPalette(dark);
        const QImage drawn = about->grab().toImage();
        for (const char* label : {"lblTitle", "lblDescription"}) {
            const QRect area = about->findChild<QWidget*>(label)->geometry();
            int light = 0;
            for (int i = 0; i < area.width() * area.height(); ++i) {
                light +=
                    drawn.pixelColor(area.topLeft() + QPoint(i % area.width(), i / area.width()))
                        .lightness() > 200;
            }
            QVERIFY2(light > 0, label);
        }
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
