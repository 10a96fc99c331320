#include "dialog_cancelled.h"
#include "file_picker.h"
#include "fonts.h"
#include "frm_about.h"
#include "frm_table.h"
#include "message_box.h"
#include "spin_button.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QListWidget>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <memory>
#include <optional>
#include <vector>

using namespace quorvane::ui;

namespace {

// Answers the file dialog from a queue: a path, or nothing for a cancel.
class ScriptedPicker final : public FilePicker {
public:
    std::vector<std::optional<QString>> answers;
    int shown = 0;

    std::optional<QString> pickOpenFile(QWidget*, const FilePickRequest& request) override {
        ++shown;
        lastRequest = request;
        auto answer = answers.at(0);
        answers.erase(answers.begin());
        return answer;
    }
    FilePickRequest lastRequest;
};

class RecordingMessages final : public MessageBox {
public:
    std::vector<MessageBoxRequest> shown;
    void Show(QWidget*, const MessageBoxRequest& request) override { shown.push_back(request); }
};

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

    void convertsWithCountAndAttributes_data();
    void convertsWithCountAndAttributes();
    void asksForCsvFilesOnly();
    void cancelKeepsTheTable();
    void failuresShowTheOneMessage_data();
    void failuresShowTheOneMessage();
    void secondConversionReplacesTheFirst();
    void fileIsClosedAfterEveryConversion();
    void tableMatchesTheCommandLine_data();
    void tableMatchesTheCommandLine();
    void copyPutsExactlyTheShownText_data();
    void copyPutsExactlyTheShownText();
    void copyBeforeAnyConversionIsEmpty();
    void versionWindowIsOneAndFresh();
    void exitEndsAtOnceAndClosesAbout();

private:
    void confirmCount(int count);
    void giveAttribute(int field, const QString& attribute);
    QString shownText() const;

    QTemporaryDir m_dir;
    ScriptedPicker m_picker;
    RecordingMessages m_messages;
    std::unique_ptr<frmTable> m_window;
};

void CommandsTest::initTestCase() {
    QApplication::setFont(uiFont());
    QVERIFY(m_dir.isValid());
}

void CommandsTest::init() {
    m_picker = ScriptedPicker{};
    m_messages = RecordingMessages{};
    m_window = std::make_unique<frmTable>(&m_picker, &m_messages);
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
    auto* spinner = child<SpinButton>(*m_window, "UpDown1");
    spinner->setValue(count);
    QTest::mouseClick(child<QPushButton>(*m_window, "CmdDataCntOK"), Qt::LeftButton);
}

void CommandsTest::giveAttribute(int field, const QString& attribute) {
    child<SpinButton>(*m_window, "UpDown2")->setValue(field);
    auto* editor = child<QLineEdit>(*m_window, "TxtStyle");
    editor->setText(attribute);
    QTest::mouseClick(child<QPushButton>(*m_window, "CmdHanei"), Qt::LeftButton);
}

QString CommandsTest::shownText() const {
    return m_window->tagViewText();
}

void CommandsTest::convertsWithCountAndAttributes_data() {
    QTest::addColumn<QString>("trigger");
    QTest::newRow("button") << "CmdFileOpen";
    QTest::newRow("menu") << "mnuCSV";
}

void CommandsTest::convertsWithCountAndAttributes() {
    QFETCH(QString, trigger);
    const QString path = writeFile(m_dir, QStringLiteral("example.csv"), "a,b\r\nc\r\n");
    confirmCount(2);
    giveAttribute(1, QStringLiteral("align=right"));
    m_picker.answers = {path};
    if (trigger == QLatin1String("CmdFileOpen")) {
        QTest::mouseClick(child<QPushButton>(*m_window, "CmdFileOpen"), Qt::LeftButton);
    } else {
        child<QAction>(*m_window, "mnuCSV")->trigger();
    }
    QCOMPARE(m_picker.shown, 1);
    QCOMPARE(shownText(), kWorkedExample);
    QVERIFY(m_messages.shown.empty());
}

void CommandsTest::asksForCsvFilesOnly() {
    m_picker.answers = {std::nullopt};
    child<QAction>(*m_window, "mnuCSV")->trigger();
    QCOMPARE(m_picker.lastRequest.nameFilter, QStringLiteral("CSV(*.csv) (*.csv)"));
    QVERIFY(m_picker.lastRequest.pathMustExist);
    QVERIFY(!m_picker.lastRequest.fileMustExist);
}

void CommandsTest::cancelKeepsTheTable() {
    const QString path = writeFile(m_dir, QStringLiteral("one.csv"), "x\r\n");
    m_picker.answers = {path, std::nullopt};
    child<QAction>(*m_window, "mnuCSV")->trigger();
    const QString before = shownText();
    QCOMPARE(before, QStringLiteral("<table>\r\n<tr>\r\n<td>x</td>\r\n</tr>\r\n</table>"));
    child<QAction>(*m_window, "mnuCSV")->trigger();
    QCOMPARE(shownText(), before);
    QVERIFY(m_messages.shown.empty());
}

void CommandsTest::failuresShowTheOneMessage_data() {
    QTest::addColumn<QString>("path");
    QTest::newRow("missing file") << "missing.csv";
    QTest::newRow("folder") << ".";
    QTest::newRow("missing folder") << "nofolder/x.csv";
}

void CommandsTest::failuresShowTheOneMessage() {
    QFETCH(QString, path);
    const QString good = writeFile(m_dir, QStringLiteral("good.csv"), "1,2\r\n");
    m_picker.answers = {good, m_dir.filePath(path)};
    child<QAction>(*m_window, "mnuCSV")->trigger();
    const QString before = shownText();
    child<QAction>(*m_window, "mnuCSV")->trigger();
    QCOMPARE(shownText(), before);
    QCOMPARE(m_messages.shown.size(), std::size_t(1));
    const MessageBoxRequest& message = m_messages.shown.front();
    QCOMPARE(message.text, QStringLiteral(u"未知のエラーが発生しました。"));
    QCOMPARE(message.title, QStringLiteral(u"ぽるめに"));
    QCOMPARE(message.icon, QMessageBox::Information);
    QCOMPARE(message.buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
}

void CommandsTest::secondConversionReplacesTheFirst() {
    const QString first = writeFile(m_dir, QStringLiteral("first.csv"), "first,row\r\n");
    const QString second = writeFile(m_dir, QStringLiteral("second.csv"), "z\r\n");
    m_picker.answers = {first, second};
    child<QAction>(*m_window, "mnuCSV")->trigger();
    child<QAction>(*m_window, "mnuCSV")->trigger();
    QCOMPARE(shownText(), QStringLiteral("<table>\r\n<tr>\r\n<td>z</td>\r\n</tr>\r\n</table>"));
}

void CommandsTest::fileIsClosedAfterEveryConversion() {
    const QString good = writeFile(m_dir, QStringLiteral("held.csv"), "a,b,c\r\n");
    const QString empty = writeFile(m_dir, QStringLiteral("empty.csv"), "");
    m_picker.answers = {good, std::nullopt, empty};
    for (int i = 0; i < 3; ++i) {
        child<QAction>(*m_window, "mnuCSV")->trigger();
        QCOMPARE(openDescriptorsOn(good), 0);
        QCOMPARE(openDescriptorsOn(empty), 0);
    }
    QCOMPARE(shownText(), QStringLiteral("<table>\r\n</table>"));
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
    m_picker.answers = {path};
    child<QAction>(*m_window, "mnuCSV")->trigger();

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
    QTest::newRow("button") << "CmdCopy";
    QTest::newRow("menu") << "mnuCopy";
}

void CommandsTest::copyPutsExactlyTheShownText() {
    QFETCH(QString, trigger);
    // A field with a lone LF and a lone CR inside quotes: copied as it stands.
    const QString path =
        writeFile(m_dir, QStringLiteral("copy.csv"), "\"one\ntwo\",\"three\rfour\"\r\n");
    m_picker.answers = {path};
    child<QAction>(*m_window, "mnuCSV")->trigger();
    QGuiApplication::clipboard()->setText(QStringLiteral("something else"));
    if (trigger == QLatin1String("CmdCopy")) {
        QTest::mouseClick(child<QPushButton>(*m_window, "CmdCopy"), Qt::LeftButton);
    } else {
        child<QAction>(*m_window, "mnuCopy")->trigger();
    }
    const QString expected = QStringLiteral(
        "<table>\r\n<tr>\r\n<td>one\ntwo</td>\r\n</tr>\r\n<tr>\r\n<td>three\rfour</td>\r\n"
        "</tr>\r\n</table>");
    QCOMPARE(shownText(), expected);
    QCOMPARE(QGuiApplication::clipboard()->text(), expected);
}

void CommandsTest::copyBeforeAnyConversionIsEmpty() {
    QGuiApplication::clipboard()->setText(QStringLiteral("left over"));
    child<QAction>(*m_window, "mnuCopy")->trigger();
    QCOMPARE(QGuiApplication::clipboard()->text(), QString());
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
