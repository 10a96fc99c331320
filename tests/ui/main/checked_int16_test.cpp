#include "checked_int16.h"

#include <QTest>

#include <limits>

using namespace quorvane::ui;

// The window's 16-bit arithmetic traps instead of wrapping.
class CheckedInt16Test final : public QObject {
    Q_OBJECT

private slots:
    void arithmetic_data();
    void arithmetic();
    void integerValueOfText_data();
    void integerValueOfText();
};

namespace {

constexpr int kMin = std::numeric_limits<std::int16_t>::min();
constexpr int kMax = std::numeric_limits<std::int16_t>::max();
constexpr int kTraps = 1 << 20; // marks a row whose result traps

int codeOf(const auto& operation) {
    try {
        operation();
    } catch (const Int16Error& error) {
        return error.code();
    }
    return 0;
}

} // namespace

void CheckedInt16Test::arithmetic_data() {
    QTest::addColumn<int>("a");
    QTest::addColumn<int>("b");
    QTest::addColumn<int>("sum");
    QTest::addColumn<int>("difference");
    QTest::newRow("small") << 3 << 1 << 4 << 2;
    QTest::newRow("to the top") << kMax - 1 << 1 << kMax << kMax - 2;
    QTest::newRow("past the top") << kMax << 1 << kTraps << kMax - 1;
    QTest::newRow("to the bottom") << kMin + 1 << -1 << kMin << kMin + 2;
    QTest::newRow("past the bottom") << kMin << 1 << kMin + 1 << kTraps;
    QTest::newRow("both ways") << kMin << kMax << -1 << kTraps;
}

void CheckedInt16Test::arithmetic() {
    QFETCH(int, a);
    QFETCH(int, b);
    QFETCH(int, sum);
    QFETCH(int, difference);
    const auto x = static_cast<std::int16_t>(a);
    const auto y = static_cast<std::int16_t>(b);
    if (sum == kTraps) {
        QCOMPARE(codeOf([&] { checkedAdd(x, y); }), Int16Error::kOverflow);
    } else {
        QCOMPARE(int{checkedAdd(x, y)}, sum);
    }
    if (difference == kTraps) {
        QCOMPARE(codeOf([&] { checkedSub(x, y); }), Int16Error::kOverflow);
    } else {
        QCOMPARE(int{checkedSub(x, y)}, difference);
    }
}

void CheckedInt16Test::integerValueOfText_data() {
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("value");
    QTest::addColumn<int>("code");
    QTest::newRow("digit") << "7" << 7 << 0;
    QTest::newRow("spaces around") << "  12 " << 12 << 0;
    QTest::newRow("leading zeros") << "007" << 7 << 0;
    QTest::newRow("negative") << "-5" << -5 << 0;
    QTest::newRow("plus sign") << "+5" << 5 << 0;
    QTest::newRow("largest") << "32767" << kMax << 0;
    QTest::newRow("smallest") << "-32768" << kMin << 0;
    QTest::newRow("one too large") << "32768" << 0 << Int16Error::kOverflow;
    QTest::newRow("one too small") << "-32769" << 0 << Int16Error::kOverflow;
    QTest::newRow("very long") << "99999999999999999999" << 0 << Int16Error::kOverflow;
    QTest::newRow("empty") << "" << 0 << Int16Error::kTypeMismatch;
    QTest::newRow("sign alone") << "-" << 0 << Int16Error::kTypeMismatch;
    QTest::newRow("letters") << "3a" << 0 << Int16Error::kTypeMismatch;
    QTest::newRow("inner space") << "1 2" << 0 << Int16Error::kTypeMismatch;
    QTest::newRow("full-width digit") << QStringLiteral(u"３") << 0 << Int16Error::kTypeMismatch;
}

void CheckedInt16Test::integerValueOfText() {
    QFETCH(QString, text);
    QFETCH(int, value);
    QFETCH(int, code);
    if (code != 0) {
        QCOMPARE(codeOf([&] { int16FromText(text); }), code);
    } else {
        QCOMPARE(int{int16FromText(text)}, value);
    }
}

QTEST_MAIN(CheckedInt16Test)
#include "checked_int16_test.moc"
