#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/frm_table.h"
#include "quorvane/ui/spin_button.h"
#include "scripted_user.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <memory>
#include <optional>

using namespace quorvane::ui;

namespace {

template <typename T> T* child(const QObject& window, const char* name) {
    T* found = window.findChild<T*>(QString::fromLatin1(name));
    if (!found) {
        qFatal("no control named %s", name);
    }
    return found;
}

QString writeFile(const QTemporaryDir& dir, const QString& name, const QByteArray& bytes) {
    const QString path = dir.filePath(name);
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size()) {
        qFatal("cannot write %s", qPrintable(path));
    }
    return path;
}

// Descriptors of this process that point at `path`.
int openDescriptorsOn(const QString& path) {
    const QString target = QFileInfo(path).canonicalFilePath();
    int count = 0;
    const QDir fds(QStringLiteral("/proc/self/fd"));
    for (const QFileInfo& fd : fds.entryInfoList(QDir::Files | QDir::System)) {
        if (!target.isEmpty() && fd.symLinkTarget() == target) {
            ++count;
        }
    }
    return count;
}

const QString kWorkedExample =
    QStringLiteral("<table>\r\n<tr>\r\n<td align=right>a</td>\r\n<td>b</td>\r\n</tr>\r\n<tr>\r\n"
                   "<td align=right>c</td>\r\n<td></td>\r\n</tr>\r\n</table>");

} // namespace

class CommandsTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void convertsWithCountAndAttributes();
    void convertCommands_data();
    void convertCommands();
    void tableMatchesTheCommandLine_data();
    void tableMatchesTheCommandLine();
    void copyPutsExactlyTheShownText_data();
    void copyPutsExactlyTheShownText();
    void versionWindowIsOneAndFresh();
    void exitEndsAtOnceAndClosesAbout();

private:
    void confirmCount(int count);
    void giveAttribute(int field, const QString& attribute);
    void convert(const QString& path);
    bool drop(const QList<QUrl>& urls);
    QString shownText() const { return m_window->tagViewText(); }

    QTemporaryDir m_dir;
    ScriptedUser m_user;
    std::unique_ptr<frmTable> m_window;
};

void CommandsTest::initTestCase() {
    QApplication::setFont(uiFont());
    QVERIFY(m_dir.isValid());
}

void CommandsTest::init() {
    m_user = ScriptedUser{};
    m_window = std::make_unique<frmTable>(&m_user);
    m_window->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_window.get()));
}

void CommandsTest::cleanup() {
    m_window.reset();
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmAbout*>(w)) {
            delete w;
        }
    }
}

void CommandsTest::confirmCount(int count) {
    child<SpinButton>(*m_window, "UpDown1")->setValue(count);
    QTest::mouseClick(child<QPushButton>(*m_window, "CmdDataCntOK"), Qt::LeftButton);
}

void CommandsTest::giveAttribute(int field, const QString& attribute) {
    child<SpinButton>(*m_window, "UpDown2")->setValue(field);
    child<QLineEdit>(*m_window, "TxtStyle")->setText(attribute);
    QTest::mouseClick(child<QPushButton>(*m_window, "CmdHanei"), Qt::LeftButton);
}

void CommandsTest::convert(const QString& path) {
    m_user.answers.push_back(path);
    child<QAction>(*m_window, "mnuCSV")->trigger();
}

// Drags `urls` onto the window and drops them there; whether the window
// took the drag.
bool CommandsTest::drop(const QList<QUrl>& urls) {
    QMimeData data;
    data.setUrls(urls);
    const QPoint at = m_window->rect().center();
    QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &enter);
    QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(m_window.get(), &dropped);
    QCoreApplication::processEvents();
    return enter.isAccepted();
}

void CommandsTest::convertsWithCountAndAttributes() {
    confirmCount(2);
    giveAttribute(1, QStringLiteral("align=right"));
    convert(writeFile(m_dir, QStringLiteral("example.csv"), "a,b\r\nc\r\n"));
    QCOMPARE(shownText(), kWorkedExample);
    QCOMPARE(m_user.failures, 0);
}

// After a first table, one command: what the box shows, how many failures the
// user was told of, and the name the dialog starts from next time.
void CommandsTest::convertCommands_data() {
    QTest::addColumn<QString>("command");
    QTest::addColumn<QStringList>("given");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<int>("failures");
    QTest::addColumn<QString>("remembered");
    const QStringList fresh{QStringLiteral("new.csv")};
    QTest::newRow("button") << "CmdFileOpen" << fresh << true << 0 << "new.csv";
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

void CommandsTest::convertCommands() {
    QFETCH(QString, command);
    QFETCH(QStringList, given);
    QFETCH(bool, converts);
    QFETCH(int, failures);
    QFETCH(QString, remembered);
    QVERIFY(QDir(m_dir.path()).mkpath(QStringLiteral("sub")));
    const QString first = writeFile(m_dir, QStringLiteral("first.csv"), "1,2\r\n");
    const QString fresh = writeFile(m_dir, QStringLiteral("new.csv"), "z\r\n");
    convert(first);
    const QString before = shownText();
    QCOMPARE(before,
             QStringLiteral("<table>\r\n<tr>\r\n<td>1</td>\r\n</tr>\r\n<tr>\r\n<td>2</td>\r\n"
                            "</tr>\r\n</table>"));

    QList<QUrl> urls;
    for (const QString& name : given) {
        urls << (name.contains(u':') ? QUrl(name) : QUrl::fromLocalFile(m_dir.filePath(name)));
    }
    if (command == QLatin1String("drop")) {
        QCOMPARE(drop(urls), urls.size() == 1 && urls.front().isLocalFile());
    } else {
        m_user.answers.push_back(given.isEmpty() ? std::nullopt
                                                 : std::optional(m_dir.filePath(given.front())));
        if (command == QLatin1String("mnuCSV")) {
            child<QAction>(*m_window, "mnuCSV")->trigger();
        } else {
            QTest::mouseClick(child<QPushButton>(*m_window, "CmdFileOpen"), Qt::LeftButton);
        }
    }
    QCOMPARE(shownText(), converts
                              ? QStringLiteral("<table>\r\n<tr>\r\n<td>z</td>\r\n</tr>\r\n</table>")
                              : before);
    QCOMPARE(m_user.failures, failures);
    QVERIFY(!m_user.busyWhileAsked);
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QCOMPARE(openDescriptorsOn(first), 0);
    QCOMPARE(openDescriptorsOn(fresh), 0);

    child<QAction>(*m_window, "mnuCSV")->trigger();
    QCOMPARE(m_user.startedFrom.back(), m_dir.filePath(remembered));
}

void CommandsTest::tableMatchesTheCommandLine_data() {
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<int>("count");
    QTest::addColumn<QString>("attribute");
    // Japanese text in code page 932 (an NEC row character and an IBM row
    // kanji among it), a quoted field with a comma and a line end, and a
    // short last row.
    const QByteArray cp932 = QByteArray::fromHex(
        "8e8196bc2c944e97ee2c94f58d6c0d0a8e5293632091be98592c8252824f2c22612c0d0a62220d0a"
        "fbfc8bb42c87400d0a");
    QTest::newRow("cp932 Japanese") << cp932 << 3 << QStringLiteral("class=\"num\"");
    QTest::newRow("utf-8 markup") << QByteArray("<b>&amp;</b>,\xe2\x91\xa0,  spaced  \n") << 2
                                  << QStringLiteral(" ");
}

void CommandsTest::tableMatchesTheCommandLine() {
    QFETCH(QByteArray, bytes);
    QFETCH(int, count);
    QFETCH(QString, attribute);
    const QString path = writeFile(m_dir, QStringLiteral("same.csv"), bytes);
    confirmCount(count);
    giveAttribute(2, attribute);
    convert(path);

    QProcess cli;
    cli.start(QStringLiteral(QUORVANE_TAG_PROGRAM),
              {QStringLiteral("-n"), QString::number(count), QStringLiteral("-a"),
               QStringLiteral("2=") + attribute, path});
    QVERIFY(cli.waitForFinished(10000));
    QCOMPARE(cli.exitCode(), 0);
    QCOMPARE(shownText().toUtf8(), cli.readAllStandardOutput());
}

void CommandsTest::copyPutsExactlyTheShownText_data() {
    QTest::addColumn<QString>("trigger");
    QTest::addColumn<bool>("converted");
    QTest::newRow("button") << "CmdCopy" << true;
    QTest::newRow("menu") << "mnuCopy" << true;
    QTest::newRow("nothing converted yet") << "mnuCopy" << false;
}

void CommandsTest::copyPutsExactlyTheShownText() {
    QFETCH(QString, trigger);
    QFETCH(bool, converted);
    // Fields with a lone LF and a lone CR inside quotes, and a character
    // outside the basic plane: copied as they stand.
    const QString expected = QStringLiteral(
        u"<table>\r\n<tr>\r\n<td>one\ntwo</td>\r\n</tr>\r\n<tr>\r\n<td>three\rfour𠮷</td>\r\n"
        u"</tr>\r\n</table>");
    if (converted) {
        convert(writeFile(m_dir, QStringLiteral("copy.csv"),
                          "\"one\ntwo\",\"three\rfour\xf0\xa0\xae\xb7\"\r\n"));
        QCOMPARE(shownText(), expected);
    }
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    if (trigger == QLatin1String("CmdCopy")) {
        QTest::mouseClick(child<QPushButton>(*m_window, "CmdCopy"), Qt::LeftButton);
    } else {
        child<QAction>(*m_window, "mnuCopy")->trigger();
    }
    QCOMPARE(QGuiApplication::clipboard()->text(), converted ? expected : QString());
}

void CommandsTest::versionWindowIsOneAndFresh() {
    auto aboutWindows = [] {
        QList<frmAbout*> found;
        for (QWidget* w : QApplication::topLevelWidgets()) {
            if (auto* about = qobject_cast<frmAbout*>(w); about && about->isVisible()) {
                found.append(about);
            }
        }
        return found;
    };
    auto* vir = child<QAction>(*m_window, "mnuVir");
    vir->trigger();
    vir->trigger();
    QCOMPARE(aboutWindows().size(), 1);
    QPointer<frmAbout> first = aboutWindows().front();
    QCOMPARE(first->parentWidget(), nullptr);
    QCOMPARE(first->windowTitle(), QStringLiteral(u"Quorvaneのﾊﾞｰｼﾞｮﾝ情報"));
    first->close();
    QTRY_VERIFY(first.isNull());
    vir->trigger();
    QCOMPARE(aboutWindows().size(), 1);
    QCOMPARE(aboutWindows().front()->windowTitle(), QStringLiteral(u"Quorvaneのﾊﾞｰｼﾞｮﾝ情報"));
}

void CommandsTest::exitEndsAtOnceAndClosesAbout() {
    child<QAction>(*m_window, "mnuVir")->trigger();
    QPointer<QWidget> about;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (qobject_cast<frmAbout*>(w)) {
            about = w;
        }
    }
    QVERIFY(about && about->isVisible());
    bool timedOut = false;
    QTimer::singleShot(0, m_window.get(),
                       [this] { child<QAction>(*m_window, "mnuClose")->trigger(); });
    QTimer::singleShot(5000, [&timedOut] {
        timedOut = true;
        QCoreApplication::exit(1);
    });
    QCOMPARE(QCoreApplication::exec(), 0);
    QVERIFY(!timedOut);
    QVERIFY(about.isNull() || !about->isVisible());
}

QTEST_MAIN(CommandsTest)
#include "commands_test.moc"
