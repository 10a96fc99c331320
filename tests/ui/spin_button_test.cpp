#include "quorvane/ui/spin_button.h"

#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <QToolButton>

using quorvane::ui::SpinButton;

// A spinner bound to its box, as the windows use it.
class SpinButtonTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void setValueStaysInRange_data();
    void setValueStaysInRange();
    void stepsStopAtTheEnds_data();
    void stepsStopAtTheEnds();
    void arrowKeysStepWhileEnabled();
    void arrowButtonsStepAndRepeat();
    void changeOnlyOnRealChange();
    void writesBoxOnlyWhenTextDiffers();
    void stepsFromTheNumberInTheBox_data();
    void stepsFromTheNumberInTheBox();
    void narrowingTheRangePullsTheValueIn();

private:
    QLineEdit* m_box = nullptr;
    SpinButton* m_spin = nullptr;
    QWidget* m_parent = nullptr;
};

void SpinButtonTest::init() {
    m_parent = new QWidget;
    m_box = new QLineEdit(QStringLiteral("1"), m_parent);
    m_spin = new SpinButton(m_parent);
    m_spin->setBuddy(m_box);
    m_spin->setMaximum(10);
    m_spin->setValue(1);
    m_spin->setMinimum(1);
    m_spin->resize(37, 22);
}

void SpinButtonTest::cleanup() {
    delete m_parent;
    m_parent = nullptr;
}

void SpinButtonTest::setValueStaysInRange_data() {
    QTest::addColumn<int>("requested");
    QTest::addColumn<int>("expected");
    QTest::newRow("inside") << 7 << 7;
    QTest::newRow("minimum") << 1 << 1;
    QTest::newRow("maximum") << 10 << 10;
    QTest::newRow("below") << 0 << 1;
    QTest::newRow("far below") << -32768 << 1;
    QTest::newRow("above") << 11 << 10;
    QTest::newRow("far above") << 1000 << 10;
}

void SpinButtonTest::setValueStaysInRange() {
    QFETCH(int, requested);
    QFETCH(int, expected);
    m_spin->setValue(requested);
    QCOMPARE(m_spin->value(), expected);
    QCOMPARE(m_box->text(), QString::number(expected));
}

void SpinButtonTest::stepsStopAtTheEnds_data() {
    QTest::addColumn<int>("start");
    QTest::addColumn<int>("steps");
    QTest::addColumn<int>("expected");
    QTest::newRow("up inside") << 4 << 3 << 7;
    QTest::newRow("down inside") << 4 << -3 << 1;
    QTest::newRow("up to the maximum") << 8 << 2 << 10;
    QTest::newRow("up past the maximum, no wrap") << 8 << 5 << 10;
    QTest::newRow("up at the maximum") << 10 << 1 << 10;
    QTest::newRow("down past the minimum, no wrap") << 3 << -5 << 1;
    QTest::newRow("down at the minimum") << 1 << -1 << 1;
}

void SpinButtonTest::stepsStopAtTheEnds() {
    QFETCH(int, start);
    QFETCH(int, steps);
    QFETCH(int, expected);
    m_spin->setValue(start);
    const Qt::Key key = steps > 0 ? Qt::Key_Up : Qt::Key_Down;
    for (int i = 0; i < std::abs(steps); ++i) {
        QTest::keyClick(m_spin, key);
        QVERIFY(m_spin->value() >= 1 && m_spin->value() <= 10);
    }
    QCOMPARE(m_spin->value(), expected);
    QCOMPARE(m_box->text(), QString::number(expected));
}

void SpinButtonTest::arrowKeysStepWhileEnabled() {
    QTest::keyClick(m_spin, Qt::Key_Up);
    QTest::keyClick(m_spin, Qt::Key_Up);
    QCOMPARE(m_box->text(), QStringLiteral("3"));
    QTest::keyClick(m_spin, Qt::Key_Down);
    QCOMPARE(m_box->text(), QStringLiteral("2"));
    QTest::keyClick(m_spin, Qt::Key_Right);
    QTest::keyClick(m_spin, Qt::Key_PageUp);
    QCOMPARE(m_spin->value(), 2);

    m_spin->setEnabled(false);
    QTest::keyClick(m_spin, Qt::Key_Up);
    QCOMPARE(m_spin->value(), 2);
    QCOMPARE(m_box->text(), QStringLiteral("2"));
}

void SpinButtonTest::arrowButtonsStepAndRepeat() {
    auto* up = m_spin->findChild<QToolButton*>(QStringLiteral("up"));
    auto* down = m_spin->findChild<QToolButton*>(QStringLiteral("down"));
    QVERIFY(up && down);
    QVERIFY(up->autoRepeat());
    QVERIFY(down->autoRepeat());
    m_parent->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_parent));
    QVERIFY(up->geometry().bottom() < down->geometry().top());
    QCOMPARE(up->geometry().united(down->geometry()), m_spin->rect());
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(up, Qt::LeftButton);
    QTest::mouseClick(down, Qt::LeftButton);
    QCOMPARE(m_spin->value(), 2);
    QCOMPARE(m_box->text(), QStringLiteral("2"));
}

void SpinButtonTest::changeOnlyOnRealChange() {
    QSignalSpy changes(m_spin, &SpinButton::valueChanged);
    m_spin->setValue(1);
    QTest::keyClick(m_spin, Qt::Key_Down);
    m_spin->setValue(-5);
    QCOMPARE(changes.count(), 0);

    m_spin->setValue(6);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.takeFirst().at(0).toInt(), 6);
    QTest::keyClick(m_spin, Qt::Key_Up);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(changes.takeFirst().at(0).toInt(), 7);
    m_spin->setValue(99);
    m_spin->setValue(10);
    QTest::keyClick(m_spin, Qt::Key_Up);
    QCOMPARE(changes.count(), 1);
}

void SpinButtonTest::writesBoxOnlyWhenTextDiffers() {
    QSignalSpy edits(m_box, &QLineEdit::textChanged);
    m_spin->setValue(7);
    QCOMPARE(m_box->text(), QStringLiteral("7"));
    QCOMPARE(edits.count(), 1);

    // The program put the number there already: the spinner's change does
    // not touch the box again.
    m_box->setText(QStringLiteral("3"));
    QCOMPARE(edits.count(), 2);
    QSignalSpy changes(m_spin, &SpinButton::valueChanged);
    m_spin->setValue(3);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(edits.count(), 2);
    QCOMPARE(m_box->text(), QStringLiteral("3"));
}

void SpinButtonTest::stepsFromTheNumberInTheBox_data() {
    QTest::addColumn<int>("value");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<Qt::Key>("key");
    QTest::addColumn<QString>("expected");
    QTest::addColumn<int>("changes");
    QTest::newRow("up from the shown number") << 1 << "3" << Qt::Key_Up << "4" << 1;
    QTest::newRow("down from the shown number") << 1 << "3" << Qt::Key_Down << "2" << 1;
    QTest::newRow("down to the old value") << 1 << "2" << Qt::Key_Down << "1" << 1;
    QTest::newRow("up at the maximum shown") << 1 << "10" << Qt::Key_Up << "10" << 0;
    QTest::newRow("no number shown") << 5 << "" << Qt::Key_Up << "6" << 1;
}

void SpinButtonTest::stepsFromTheNumberInTheBox() {
    QFETCH(int, value);
    QFETCH(QString, shown);
    QFETCH(Qt::Key, key);
    QFETCH(QString, expected);
    QFETCH(int, changes);
    m_spin->setValue(value);
    m_box->setText(shown);
    QSignalSpy spy(m_spin, &SpinButton::valueChanged);
    QTest::keyClick(m_spin, key);
    QCOMPARE(m_box->text(), expected);
    QCOMPARE(m_spin->value(), expected.toInt());
    QCOMPARE(spy.count(), changes);
}

void SpinButtonTest::narrowingTheRangePullsTheValueIn() {
    m_spin->setValue(8);
    QSignalSpy changes(m_spin, &SpinButton::valueChanged);
    m_spin->setMaximum(3);
    QCOMPARE(m_spin->value(), 3);
    QCOMPARE(m_box->text(), QStringLiteral("3"));
    QCOMPARE(changes.count(), 1);
    m_spin->setMaximum(50);
    m_spin->setMinimum(2);
    QCOMPARE(m_spin->value(), 3);
    QCOMPARE(changes.count(), 1);
    QCOMPARE(m_spin->maximum(), 50);
    QCOMPARE(m_spin->minimum(), 2);
}

QTEST_MAIN(SpinButtonTest)
#include "spin_button_test.moc"
