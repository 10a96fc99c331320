#include "quorvane/ui/spin_button.h"
#include "window_fixture.h"

#include <QGroupBox>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QSignalSpy>

using quorvane::ui::frmTable;
using quorvane::ui::SpinButton;

// The field count, the field number and the attribute string of each field:
// confirm, redo, and the loop of field number, spinner and list.
class FrmTableSettingsTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void countSpinnerStaysInRange();
    void countFollowsItsBoxBeforeConfirm();
    void confirm_data();
    void confirm();
    void confirmLoadsTheEditorOnce();
    void countIsFixedWhileEditing();
    void fieldSpinnerStaysInRange();
    void fieldSpinnerRunsTheLoopOnce();
    void listSelectionRunsTheLoopOnce_data();
    void listSelectionRunsTheLoopOnce();
    void reselectingTheSelectedRowKeepsTheEdit();
    void unreflectedEditIsLostOnFieldChange();
    void reflectWritesTheRowExactly_data();
    void reflectWritesTheRowExactly();
    void redoClearsTheList();
    void redoFromAnotherFieldAndConfirmAgain();
    void confirmAfterRedoMovesFocusOnlyIfTheFieldSpinnerMoves_data();
    void confirmAfterRedoMovesFocusOnlyIfTheFieldSpinnerMoves();

private:
    template <typename T> T* get(const char* name) const {
        return child<T>(*m_window, QString::fromLatin1(name));
    }
    void click(const char* name) { QTest::mouseClick(get<QPushButton>(name), Qt::LeftButton); }
    void turn(const char* spinner, int steps);
    void confirmCount(int count);
    void giveAttribute(int field, const QString& text);
    int selectedRow() const;
    void verifyField(int field, const QString& attribute);

    std::unique_ptr<frmTable> m_window;
};

void FrmTableSettingsTest::init() {
    m_window = openWindow();
}

void FrmTableSettingsTest::cleanup() {
    m_window.reset();
}

void FrmTableSettingsTest::turn(const char* spinner, int steps) {
    for (int i = 0; i < std::abs(steps); ++i) {
        QTest::keyClick(get<SpinButton>(spinner), steps > 0 ? Qt::Key_Up : Qt::Key_Down);
    }
}

void FrmTableSettingsTest::confirmCount(int count) {
    turn("UpDown1", count - get<QLineEdit>("TxtDataCnt")->text().toInt());
    click("CmdDataCntOK");
}

// Turns to the field, types the attribute and reflects it into the list.
void FrmTableSettingsTest::giveAttribute(int field, const QString& text) {
    turn("UpDown2", field - get<QLineEdit>("TxtFeeld")->text().toInt());
    get<QLineEdit>("TxtStyle")->setText(text);
    click("CmdHanei");
}

int FrmTableSettingsTest::selectedRow() const {
    const auto* list = get<QListWidget>("LstStyle");
    const QList<QListWidgetItem*> selected = list->selectedItems();
    return selected.size() == 1 ? list->row(selected.front()) : -1 - int(selected.size());
}

// The group agrees with itself: number n, row n - 1 selected, its text shown.
void FrmTableSettingsTest::verifyField(int field, const QString& attribute) {
    QCOMPARE(get<QLineEdit>("TxtFeeld")->text(), QString::number(field));
    QCOMPARE(selectedRow(), field - 1);
    QCOMPARE(get<QListWidget>("LstStyle")->currentRow(), field - 1);
    QCOMPARE(get<QLineEdit>("TxtStyle")->text(), attribute);
    QCOMPARE(int{m_window->fieldIdx()}, field - 1);
}

void FrmTableSettingsTest::countSpinnerStaysInRange() {
    turn("UpDown1", -3);
    QCOMPARE(get<QLineEdit>("TxtDataCnt")->text(), QStringLiteral("1"));
    QCOMPARE(m_window->dataCnt(), 1);
    turn("UpDown1", 120);
    QCOMPARE(get<QLineEdit>("TxtDataCnt")->text(), QStringLiteral("100"));
    QCOMPARE(m_window->dataCnt(), 100);
}

void FrmTableSettingsTest::countFollowsItsBoxBeforeConfirm() {
    turn("UpDown1", 4);
    QCOMPARE(m_window->dataCnt(), 5);
    turn("UpDown1", -3);
    QCOMPARE(m_window->dataCnt(), 2);
    QCOMPARE(get<QLineEdit>("TxtDataCnt")->text(), QStringLiteral("2"));
    QVERIFY(!get<QGroupBox>("Frame2")->isVisible());
    QCOMPARE(get<QListWidget>("LstStyle")->count(), 0);
    QVERIFY(get<QPushButton>("CmdDataCntOK")->isEnabled());
}

void FrmTableSettingsTest::confirm_data() {
    QTest::addColumn<int>("count");
    QTest::newRow("one field") << 1;
    QTest::newRow("three fields") << 3;
    QTest::newRow("a hundred fields") << 100;
}

void FrmTableSettingsTest::confirm() {
    QFETCH(int, count);
    confirmCount(count);
    QCOMPARE(int{m_window->dataCnt()}, count);
    QCOMPARE(m_window->styleRows(), std::vector<std::string>(count));
    QVERIFY(get<QGroupBox>("Frame2")->isVisible());
    QVERIFY(!get<SpinButton>("UpDown1")->isEnabled());
    QVERIFY(!get<QPushButton>("CmdDataCntOK")->isEnabled());
    QVERIFY(get<QPushButton>("CmdDataCntCancel")->isEnabled());
    const auto* field = get<SpinButton>("UpDown2");
    QCOMPARE(field->minimum(), 1);
    QCOMPARE(field->maximum(), count);
    QCOMPARE(field->value(), 1);
    verifyField(1, QString());
}

void FrmTableSettingsTest::confirmLoadsTheEditorOnce() {
    turn("UpDown1", 2);
    QSignalSpy fieldNumber(get<QLineEdit>("TxtFeeld"), &QLineEdit::textChanged);
    QSignalSpy selection(get<QListWidget>("LstStyle"), &QListWidget::itemSelectionChanged);
    click("CmdDataCntOK");
    QCOMPARE(fieldNumber.count(), 0);
    QCOMPARE(selection.count(), 1);
    verifyField(1, QString());
}

void FrmTableSettingsTest::countIsFixedWhileEditing() {
    confirmCount(3);
    auto* count = get<SpinButton>("UpDown1");
    auto* box = get<QLineEdit>("TxtDataCnt");
    QTest::keyClick(count, Qt::Key_Up);
    box->setFocus();
    QTest::keyClicks(box, QStringLiteral("9"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QCOMPARE(box->text(), QStringLiteral("3"));
    QCOMPARE(m_window->dataCnt(), 3);
    QCOMPARE(m_window->styleRows().size(), 3u);
    QCOMPARE(get<SpinButton>("UpDown2")->maximum(), 3);
}

void FrmTableSettingsTest::fieldSpinnerStaysInRange() {
    confirmCount(3);
    turn("UpDown2", 5);
    verifyField(3, QString());
    turn("UpDown2", -7);
    verifyField(1, QString());
}

void FrmTableSettingsTest::fieldSpinnerRunsTheLoopOnce() {
    confirmCount(3);
    giveAttribute(2, QStringLiteral("class=\"b\""));
    giveAttribute(1, QStringLiteral("class=\"a\""));
    auto* editor = get<QLineEdit>("TxtStyle");
    get<QPushButton>("CmdHanei")->setFocus();
    QSignalSpy fieldNumber(get<QLineEdit>("TxtFeeld"), &QLineEdit::textChanged);
    QSignalSpy editorText(editor, &QLineEdit::textChanged);
    QSignalSpy selection(get<QListWidget>("LstStyle"), &QListWidget::itemSelectionChanged);
    turn("UpDown2", 1);
    verifyField(2, QStringLiteral("class=\"b\""));
    QCOMPARE(fieldNumber.count(), 1);
    // Emptied, then loaded: twice per run of the editor's load.
    QCOMPARE(editorText.count(), 2);
    QCOMPARE(selection.count(), 1);
    QCOMPARE(QApplication::focusWidget(), editor);
}

void FrmTableSettingsTest::listSelectionRunsTheLoopOnce_data() {
    QTest::addColumn<bool>("byMouse");
    QTest::newRow("mouse") << true;
    QTest::newRow("keyboard") << false;
}

void FrmTableSettingsTest::listSelectionRunsTheLoopOnce() {
    QFETCH(bool, byMouse);
    confirmCount(3);
    giveAttribute(3, QStringLiteral(" align=\"right\" "));
    giveAttribute(1, QString());
    auto* list = get<QListWidget>("LstStyle");
    QSignalSpy fieldNumber(get<QLineEdit>("TxtFeeld"), &QLineEdit::textChanged);
    QSignalSpy editorText(get<QLineEdit>("TxtStyle"), &QLineEdit::textChanged);
    QSignalSpy selection(list, &QListWidget::itemSelectionChanged);
    if (byMouse) {
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                          list->visualItemRect(list->item(2)).center());
    } else {
        list->setFocus();
        QTest::keyClick(list, Qt::Key_Down);
        QTest::keyClick(list, Qt::Key_Down);
    }
    verifyField(3, QStringLiteral(" align=\"right\" "));
    QCOMPARE(fieldNumber.count(), byMouse ? 1 : 2);
    QCOMPARE(selection.count(), byMouse ? 1 : 2);
    QCOMPARE(editorText.count(), 1);
    QCOMPARE(get<SpinButton>("UpDown2")->value(), 1);

    // The spinner steps on from the number the list wrote.
    turn("UpDown2", -1);
    verifyField(2, QString());
}

void FrmTableSettingsTest::reselectingTheSelectedRowKeepsTheEdit() {
    confirmCount(3);
    turn("UpDown2", 1);
    auto* list = get<QListWidget>("LstStyle");
    get<QLineEdit>("TxtStyle")->setText(QStringLiteral("typed"));
    QSignalSpy fieldNumber(get<QLineEdit>("TxtFeeld"), &QLineEdit::textChanged);
    QTest::mouseClick(list->viewport(), Qt::LeftButton, {},
                      list->visualItemRect(list->item(1)).center());
    QCOMPARE(fieldNumber.count(), 0);
    QCOMPARE(selectedRow(), 1);
    QCOMPARE(get<QLineEdit>("TxtStyle")->text(), QStringLiteral("typed"));
    QCOMPARE(m_window->styleRows()[1], std::string());
}

void FrmTableSettingsTest::unreflectedEditIsLostOnFieldChange() {
    confirmCount(3);
    auto* editor = get<QLineEdit>("TxtStyle");
    editor->setFocus();
    QTest::keyClicks(editor, QStringLiteral("class=\"lost\""));
    turn("UpDown2", 1);
    verifyField(2, QString());
    turn("UpDown2", -1);
    verifyField(1, QString());
    QCOMPARE(m_window->styleRows(), std::vector<std::string>(3));
}

void FrmTableSettingsTest::reflectWritesTheRowExactly_data() {
    QTest::addColumn<QString>("before");
    QTest::addColumn<QString>("typed");
    QTest::newRow("attribute") << ""
                               << "align=\"center\"";
    QTest::newRow("surrounding spaces kept") << ""
                                             << "  class=\"x\"  ";
    QTest::newRow("Japanese text") << "" << QStringLiteral(u"title=\"金額（円）\"");
    QTest::newRow("empty editor empties the row") << "bgcolor=\"#ffffff\""
                                                  << "";
    QTest::newRow("replaced") << "a"
                              << "b";
    QTest::newRow("no length limit") << "" << QString(40000, u'x');
}

void FrmTableSettingsTest::reflectWritesTheRowExactly() {
    QFETCH(QString, before);
    QFETCH(QString, typed);
    confirmCount(3);
    giveAttribute(2, before);
    get<QLineEdit>("TxtStyle")->setText(typed);
    get<QPushButton>("CmdHanei")->setFocus();
    QTest::keyClick(get<QPushButton>("CmdHanei"), Qt::Key_Space);
    const std::vector<std::string> expected{"", typed.toStdString(), ""};
    QCOMPARE(m_window->styleRows(), expected);
    QCOMPARE(get<QListWidget>("LstStyle")->item(1)->text(), typed);
    verifyField(2, typed);
}

void FrmTableSettingsTest::redoClearsTheList() {
    confirmCount(3);
    giveAttribute(2, QStringLiteral("b"));
    giveAttribute(3, QStringLiteral("c"));
    click("CmdDataCntCancel");
    QCOMPARE(get<QListWidget>("LstStyle")->count(), 0);
    QVERIFY(m_window->styleRows().empty());
    QVERIFY(!get<QGroupBox>("Frame2")->isVisible());
    QVERIFY(get<SpinButton>("UpDown1")->isEnabled());
    QVERIFY(get<QPushButton>("CmdDataCntOK")->isEnabled());
    QVERIFY(!get<QPushButton>("CmdDataCntCancel")->isEnabled());
    QCOMPARE(get<QLineEdit>("TxtFeeld")->text(), QStringLiteral("1"));
    // Count, count box and the field spinner stay as they were.
    QCOMPARE(m_window->dataCnt(), 3);
    QCOMPARE(get<QLineEdit>("TxtDataCnt")->text(), QStringLiteral("3"));
    QCOMPARE(get<SpinButton>("UpDown1")->value(), 3);
    QCOMPARE(get<SpinButton>("UpDown2")->value(), 3);
    QCOMPARE(get<SpinButton>("UpDown2")->maximum(), 3);
}

void FrmTableSettingsTest::redoFromAnotherFieldAndConfirmAgain() {
    confirmCount(4);
    giveAttribute(4, QStringLiteral("d"));
    click("CmdDataCntCancel");
    turn("UpDown1", -2);
    QCOMPARE(m_window->dataCnt(), 2);
    click("CmdDataCntOK");
    QCOMPARE(m_window->styleRows(), std::vector<std::string>(2));
    QCOMPARE(get<SpinButton>("UpDown2")->maximum(), 2);
    verifyField(1, QString());
    turn("UpDown2", 3);
    verifyField(2, QString());
}

void FrmTableSettingsTest::confirmAfterRedoMovesFocusOnlyIfTheFieldSpinnerMoves_data() {
    QTest::addColumn<int>("field");
    QTest::addColumn<int>("changes");
    QTest::newRow("spinner stood on 3") << 3 << 1;
    QTest::newRow("spinner stood on 1") << 1 << 0;
}

void FrmTableSettingsTest::confirmAfterRedoMovesFocusOnlyIfTheFieldSpinnerMoves() {
    QFETCH(int, field);
    QFETCH(int, changes);
    confirmCount(3);
    turn("UpDown2", field - 1);
    click("CmdDataCntCancel");
    get<QPushButton>("CmdDataCntOK")->setFocus();
    QSignalSpy spinner(get<SpinButton>("UpDown2"), &SpinButton::valueChanged);
    click("CmdDataCntOK");
    QCOMPARE(spinner.count(), changes);
    QCOMPARE(QApplication::focusWidget() == get<QLineEdit>("TxtStyle"), changes == 1);
    verifyField(1, QString());
    QCOMPARE(get<SpinButton>("UpDown2")->value(), 1);
}

QTEST_MAIN(FrmTableSettingsTest)
#include "frm_table_settings_test.moc"
