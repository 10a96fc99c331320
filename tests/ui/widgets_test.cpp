// The spinner, the About window and Qt's own dialogs, each used as a person
// would use them.
#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/qt_user_dialogs.h"
#include "quorvane/ui/spin_button.h"
#include "scripted_user.h"

#include <QAbstractButton>
#include <QFileDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPointer>
#include <QTemporaryDir>
#include <QTest>

using namespace quorvane::ui;

class WidgetsTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase() { QApplication::setFont(uiFont()); }
    void spinnerStepsWithinItsRange_data();
    void spinnerStepsWithinItsRange();
    void aboutShowsTheVersionAndKeysCloseIt_data();
    void aboutShowsTheVersionAndKeysCloseIt();
    void fileDialogAnswers_data();
    void fileDialogAnswers();
    void failureIsTheOneMessage();
};

// Set to `start`, the box then showing `shown` ("-": what the spinner wrote),
// then u/d: a click on the upper/lower half, U/D: the arrow keys.
void WidgetsTest::spinnerStepsWithinItsRange_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("steps");
    QTest::addColumn<int>("expected");
    QTest::newRow("upper half steps up") << 4 << "-"
                                         << "u" << 5;
    QTest::newRow("lower half steps down") << 4 << "-"
                                           << "d" << 3;
    QTest::newRow("set above, then up: no wrap") << 1000 << "-"
                                                 << "uU" << 10;
    QTest::newRow("set below, then down: no wrap") << -5 << "-"
                                                   << "dD" << 1;
    QTest::newRow("down from the top") << 10 << "-"
                                       << "dD" << 8;
    QTest::newRow("from the number in the box") << 1 << "3"
                                                << "U" << 4;
    QTest::newRow("no number in the box: from the value") << 5 << ""
                                                          << "u" << 6;
}

void WidgetsTest::spinnerStepsWithinItsRange() {
    QFETCH(int, start);
    QFETCH(QString, shown);
    QFETCH(QString, steps);
    QFETCH(int, expected);
    QWidget parent;
    auto* box = new QLineEdit(&parent);
    auto* spin = new SpinButton(&parent);
    spin->setBuddy(box);
    spin->setMinimum(1);
    spin->setValue(start);
    spin->resize(37, 22);
    parent.show();
    QVERIFY(QTest::qWaitForWindowExposed(&parent));
    if (shown != QLatin1String("-")) {
        box->setText(shown);
    }
    for (const QChar step : steps) {
        if (step.isUpper()) {
            QTest::keyClick(spin, step == u'U' ? Qt::Key_Up : Qt::Key_Down);
        } else {
            QWidget* arrow = spin->childAt(18, step == u'u' ? 1 : 20);
            QTest::mouseClick(arrow, Qt::LeftButton, {}, arrow->rect().center());
        }
    }
    QCOMPARE(spin->value(), expected);
    QCOMPARE(box->text(), QString::number(expected));
}

void WidgetsTest::aboutShowsTheVersionAndKeysCloseIt_data() {
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Enter") << Qt::Key_Return;
    QTest::newRow("keypad Enter") << Qt::Key_Enter;
    QTest::newRow("Esc") << Qt::Key_Escape;
}

// The title and version come from the project.
void WidgetsTest::aboutShowsTheVersionAndKeysCloseIt() {
    QFETCH(Qt::Key, key);
    QPointer<frmAbout> about = new frmAbout;
    about->show();
    QVERIFY(QTest::qWaitForWindowActive(about));
    const QString title = about->findChild<QLabel*>(QStringLiteral("lblTitle"))->text();
    QCOMPARE(title, QStringLiteral(QUORVANE_NAME));
    QVERIFY(about->windowTitle().startsWith(title));
    QVERIFY(about->findChild<QLabel*>(QStringLiteral("lblVersion"))
                ->text()
                .endsWith(QStringLiteral(" " QUORVANE_VERSION)));
    // The caption alone on the first line: by spaces where they reach, else a line end.
    QVERIFY(!frmAbout::descriptionText(about->font(), 60).contains(u'\n'));
    QVERIFY(frmAbout::descriptionText(about->font(), 2000).contains(u"の説明\nCSV"));
    QTest::keyClick(QApplication::focusWidget(), key);
    QTRY_VERIFY(about.isNull());
}

// A name typed and Open pressed (or the dialog cancelled): the answer, and
// whether the dialog refused the name with a warning. It starts from the
// name given last.
void WidgetsTest::fileDialogAnswers_data() {
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("chosen");
    QTest::addColumn<bool>("warned");
    QTest::newRow("existing file") << "exists.csv" << true << false;
    QTest::newRow("missing file in an existing folder") << "missing.csv" << true << false;
    QTest::newRow("missing folder") << "nofolder/x.csv" << false << true;
    QTest::newRow("cancel") << QString() << false << false;
}

void WidgetsTest::fileDialogAnswers() {
    QFETCH(QString, typed);
    QFETCH(bool, chosen);
    QFETCH(bool, warned);
    QTemporaryDir dir;
    QFile file(dir.filePath(QStringLiteral("exists.csv")));
    QVERIFY(file.open(QIODevice::WriteOnly));
    const QString last = dir.filePath(QStringLiteral("last.csv"));
    const QString path = dir.filePath(typed);
    bool sawWarning = false;
    QStringList startedAt;
    whenModal([&](QWidget* modal) {
        auto* dialog = qobject_cast<QFileDialog*>(modal);
        startedAt = dialog->selectedFiles() << dialog->nameFilters();
        if (typed.isEmpty()) {
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
    QCOMPARE(answer, chosen ? std::optional(path) : std::nullopt);
    QCOMPARE(sawWarning, warned);
}

void WidgetsTest::failureIsTheOneMessage() {
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

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
