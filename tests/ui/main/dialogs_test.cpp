#include "common_dialog.h"
#include "dialog_cancelled.h"
#include "file_picker.h"
#include "open_file_dialog.h"
#include "qt_file_picker.h"
#include "qt_message_box.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

#include <functional>
#include <vector>

using namespace quorvane::ui;

namespace {

// Answers the dialog from a queue of answers and records what it was asked.
class ScriptedPicker final : public FilePicker {
public:
    std::vector<std::optional<QString>> answers;
    std::vector<FilePickRequest> requests;

    std::optional<QString> pickOpenFile(QWidget*, const FilePickRequest& request) override {
        requests.push_back(request);
        auto answer = answers.front();
        answers.erase(answers.begin());
        return answer;
    }
};

// Runs `step` on the modal window once it is up.
void whenModal(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, [step] {
        QWidget* modal = nullptr;
        QTRY_VERIFY((modal = QApplication::activeModalWidget()) != nullptr);
        step(modal);
    });
}

} // namespace

class DialogsTest final : public QObject {
    Q_OBJECT

private slots:
    void filterBecomesQtNameFilter_data();
    void filterBecomesQtNameFilter();
    void flagsBecomeRules_data();
    void flagsBecomeRules();
    void cancelIsAnErrorOnlyWhenAsked();
    void keepsTheLastFileName();
    void acceptsPaths_data();
    void acceptsPaths();
    void realDialogReturnsTypedMissingFile();
    void realDialogRefusesMissingFolder();
    void realDialogCancelGivesNothing();
    void messageBoxShowsWhatItIsAsked();
};

void DialogsTest::filterBecomesQtNameFilter_data() {
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("expected");
    QTest::newRow("csv") << "CSV(*.csv)|*.csv"
                         << "CSV(*.csv) (*.csv)";
    QTest::newRow("two patterns") << "Text|*.txt;*.csv"
                                  << "Text (*.txt *.csv)";
    QTest::newRow("later entries dropped") << "A|*.a|B|*.b"
                                           << "A (*.a)";
    QTest::newRow("none") << ""
                          << "";
}

void DialogsTest::filterBecomesQtNameFilter() {
    QFETCH(QString, filter);
    QFETCH(QString, expected);
    QCOMPARE(CommonDialog::qtNameFilter(filter), expected);
}

void DialogsTest::flagsBecomeRules_data() {
    QTest::addColumn<int>("flags");
    QTest::addColumn<bool>("pathMustExist");
    QTest::addColumn<bool>("fileMustExist");
    QTest::newRow("the window's 2054") << 2054 << true << false;
    QTest::newRow("none") << 0 << false << false;
    QTest::newRow("file must exist") << 0x1000 << true << true;
    QTest::newRow("overwrite prompt only") << 2 << false << false;
}

void DialogsTest::flagsBecomeRules() {
    QFETCH(int, flags);
    QFETCH(bool, pathMustExist);
    QFETCH(bool, fileMustExist);
    ScriptedPicker picker;
    picker.answers = {QStringLiteral("/tmp/a.csv")};
    CommonDialog dlg(picker);
    dlg.setFilter(QStringLiteral("CSV(*.csv)|*.csv"));
    dlg.setFlags(flags);
    dlg.ShowOpen(nullptr);
    QCOMPARE(picker.requests.at(0).pathMustExist, pathMustExist);
    QCOMPARE(picker.requests.at(0).fileMustExist, fileMustExist);
    QCOMPARE(picker.requests.at(0).nameFilter, QStringLiteral("CSV(*.csv) (*.csv)"));
}

void DialogsTest::cancelIsAnErrorOnlyWhenAsked() {
    ScriptedPicker picker;
    picker.answers = {QStringLiteral("/tmp/first.csv"), std::nullopt, std::nullopt};
    CommonDialog dlg(picker);
    dlg.ShowOpen(nullptr);
    dlg.setCancelError(true);
    try {
        dlg.ShowOpen(nullptr);
        QFAIL("a cancel did not raise");
    } catch (const DialogCancelled& e) {
        QCOMPARE(e.code(), 32755);
    }
    QCOMPARE(dlg.fileName(), QStringLiteral("/tmp/first.csv"));
    dlg.setCancelError(false);
    dlg.ShowOpen(nullptr);
    QCOMPARE(dlg.fileName(), QString());
}

void DialogsTest::keepsTheLastFileName() {
    ScriptedPicker picker;
    picker.answers = {QStringLiteral("/data/one.csv"), QStringLiteral("/data/two.csv")};
    CommonDialog dlg(picker);
    dlg.ShowOpen(nullptr);
    dlg.ShowOpen(nullptr);
    QCOMPARE(picker.requests.at(0).fileName, QString());
    QCOMPARE(picker.requests.at(1).fileName, QStringLiteral("/data/one.csv"));
    QCOMPARE(dlg.fileName(), QStringLiteral("/data/two.csv"));
}

void DialogsTest::acceptsPaths_data() {
    QTest::addColumn<QString>("relative");
    QTest::addColumn<bool>("fileMustExist");
    QTest::addColumn<bool>("pathMustExist");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("existing file") << "exists.csv" << false << true << true;
    QTest::newRow("missing file, folder exists") << "missing.csv" << false << true << true;
    QTest::newRow("missing folder") << "nofolder/x.csv" << false << true << false;
    QTest::newRow("missing folder allowed") << "nofolder/x.csv" << false << false << true;
    QTest::newRow("missing file refused") << "missing.csv" << true << true << false;
    QTest::newRow("existing file required") << "exists.csv" << true << true << true;
}

void DialogsTest::acceptsPaths() {
    QFETCH(QString, relative);
    QFETCH(bool, fileMustExist);
    QFETCH(bool, pathMustExist);
    QFETCH(bool, accepted);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("exists.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    QCOMPARE(OpenFileDialog::acceptable(dir.filePath(relative), fileMustExist, pathMustExist),
             accepted);
}

void DialogsTest::realDialogReturnsTypedMissingFile() {
    QTemporaryDir dir;
    const QString missing = dir.filePath(QStringLiteral("not-there.csv"));
    whenModal([missing](QWidget* modal) {
        auto* dialog = qobject_cast<OpenFileDialog*>(modal);
        QVERIFY(dialog != nullptr);
        QCOMPARE(dialog->nameFilters(), QStringList{QStringLiteral("CSV(*.csv) (*.csv)")});
        dialog->selectFile(missing);
        dialog->accept();
    });
    QtFilePicker picker;
    FilePickRequest request;
    request.nameFilter = QStringLiteral("CSV(*.csv) (*.csv)");
    request.pathMustExist = true;
    const auto chosen = picker.pickOpenFile(nullptr, request);
    QVERIFY(chosen.has_value());
    QCOMPARE(*chosen, missing);
}

void DialogsTest::realDialogRefusesMissingFolder() {
    QTemporaryDir dir;
    const QString bad = dir.filePath(QStringLiteral("nofolder/x.csv"));
    bool stayedOpen = false;
    bool warned = false;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<OpenFileDialog*>(modal);
        QVERIFY(dialog != nullptr);
        dialog->selectFile(bad);
        whenModal([&](QWidget* warning) {
            warned = qobject_cast<QMessageBox*>(warning) != nullptr;
            warning->close();
        });
        dialog->accept();
        stayedOpen = dialog->isVisible();
        dialog->reject();
    });
    QtFilePicker picker;
    FilePickRequest request;
    request.pathMustExist = true;
    QCOMPARE(picker.pickOpenFile(nullptr, request), std::nullopt);
    QVERIFY(warned);
    QVERIFY(stayedOpen);
}

void DialogsTest::realDialogCancelGivesNothing() {
    whenModal([](QWidget* modal) { modal->close(); });
    QtFilePicker picker;
    QCOMPARE(picker.pickOpenFile(nullptr, FilePickRequest{}), std::nullopt);
}

void DialogsTest::messageBoxShowsWhatItIsAsked() {
    QString text, title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    int buttons = 0;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box != nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->buttons().size();
        box->button(QMessageBox::Ok)->click();
    });
    QtMessageBox messages;
    messages.Show(nullptr, {QStringLiteral(u"本文"), QStringLiteral(u"題"),
                            QMessageBox::Information, QMessageBox::Ok});
    QCOMPARE(text, QStringLiteral(u"本文"));
    QCOMPARE(title, QStringLiteral(u"題"));
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons, 1);
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
