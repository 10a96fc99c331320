#include "quorvane/ui/main/qt_user_dialogs.h"
#include "scripted_user.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFileDialog>
#include <QMessageBox>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace quorvane::ui;

// Qt's own dialogs, driven as the person at them would.
class DialogsTest final : public QObject {
    Q_OBJECT

private slots:
    void fileDialogAnswers_data();
    void fileDialogAnswers();
    void fileDialogStartsFromTheLastName();
    void failureIsTheOneMessage();
};

void DialogsTest::fileDialogAnswers_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<bool>("warned");
    QTest::newRow("existing file") << "exists.csv" << true << false;
    QTest::newRow("missing file in an existing folder") << "missing.csv" << true << false;
    QTest::newRow("missing folder") << "nofolder/x.csv" << false << true;
    QTest::newRow("cancel") << QString() << false << false;
}

// Types a name and presses Open (or cancels): the answer, and whether the
// dialog refused the name with a warning and stayed open.
void DialogsTest::fileDialogAnswers() {
    QFETCH(QString, typed);
    QFETCH(bool, chosen);
    QFETCH(bool, warned);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("exists.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.close();
    const QString path = dir.filePath(typed);
    bool sawWarning = false;
    QStringList filters;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog != nullptr);
        filters = dialog->nameFilters();
        if (typed.isEmpty()) {
            dialog->reject();
            return;
        }
        dialog->selectFile(path);
        // A refusal shows its warning inside accept(); the check goes with the dialog.
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
    QtUserDialogs dialogs;
    const std::optional<QString> answer = dialogs.chooseCsvFile(nullptr, QString());
    QCOMPARE(filters, QStringList{QStringLiteral("CSV(*.csv) (*.csv)")});
    QCOMPARE(answer, chosen ? std::optional(path) : std::nullopt);
    QCOMPARE(sawWarning, warned);
}

void DialogsTest::fileDialogStartsFromTheLastName() {
    QTemporaryDir dir;
    const QString last = dir.filePath(QStringLiteral("last.csv"));
    QString folder;
    QStringList selected;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        QVERIFY(dialog != nullptr);
        folder = dialog->directory().absolutePath();
        selected = dialog->selectedFiles();
        static_cast<QDialog*>(dialog)->accept();
    });
    QtUserDialogs dialogs;
    QCOMPARE(dialogs.chooseCsvFile(nullptr, last), std::optional(last));
    QCOMPARE(folder, QDir(dir.path()).absolutePath());
    QCOMPARE(selected, QStringList{last});
}

void DialogsTest::failureIsTheOneMessage() {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QList<QAbstractButton*> buttons;
    whenModal([&](QWidget* modal) {
        auto* box = qobject_cast<QMessageBox*>(modal);
        QVERIFY(box != nullptr);
        text = box->text();
        title = box->windowTitle();
        icon = box->icon();
        buttons = box->buttons();
        box->button(QMessageBox::Ok)->click();
    });
    QtUserDialogs dialogs;
    dialogs.reportFailure(nullptr);
    QCOMPARE(text, QStringLiteral(u"未知のエラーが発生しました。"));
    QCOMPARE(title, QStringLiteral(u"ぽるめに"));
    QCOMPARE(icon, QMessageBox::Information);
    QCOMPARE(buttons.size(), 1);
}

QTEST_MAIN(DialogsTest)
#include "dialogs_test.moc"
