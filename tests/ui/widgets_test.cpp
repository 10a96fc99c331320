#include "quorvane/ui/fonts.h"
#include "quorvane/ui/japanese_texts.h"
#include "quorvane/ui/palette_line.h"
#include "quorvane/ui/twips.h"

#include <QCoreApplication>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QImage>
#include <QTest>

using namespace quorvane::ui;

// Twips conversion, the Japanese fonts and the palette line.
class WidgetsTest final : public QObject {
    Q_OBJECT

private slots:
    void twipsToPixels_data();
    void twipsToPixels();
    void twipsRectangles();
    void fonts_data();
    void fonts();
    void paletteLineDrawsItsSystemColour_data();
    void paletteLineDrawsItsSystemColour();
    void qtTextsAreJapanese_data();
    void qtTextsAreJapanese();
};

void WidgetsTest::twipsToPixels_data() {
    QTest::addColumn<int>("twips");
    QTest::addColumn<int>("pixels");
    QTest::newRow("zero") << 0 << 0;
    QTest::newRow("one pixel") << 15 << 1;
    QTest::newRow("just under half") << 7 << 0;
    QTest::newRow("half rounds up") << 8 << 1;
    QTest::newRow("two thirds") << 10 << 1;
    QTest::newRow("client area") << 9150 << 610;
    QTest::newRow("label top rounds up") << 790 << 53;
    QTest::newRow("label top rounds down") << 380 << 25;
    QTest::newRow("negative rounds away from zero") << -8 << -1;
}

void WidgetsTest::twipsToPixels() {
    QFETCH(int, twips);
    QFETCH(int, pixels);
    QCOMPARE(quorvane::ui::twipsToPixels(twips), pixels);
}

void WidgetsTest::twipsRectangles() {
    QCOMPARE(twipsRect(105, 1365, 8835, 3480), QRect(7, 91, 589, 232));
    QCOMPARE(twipsRect(2940, 420, 555, 330), QRect(196, 28, 37, 22));
    // A line from 105 to 8925 covers the pixels 7 to 594.
    QCOMPARE(twipsHorizontalLine(105, 8925, 10), QRect(7, 1, 588, 1));
    QCOMPARE(twipsHorizontalLine(105, 8925, 0), QRect(7, 0, 588, 1));
}

void WidgetsTest::fonts_data() {
    QTest::addColumn<QFont>("font");
    QTest::addColumn<QStringList>("faces");
    QTest::addColumn<double>("points");
    QTest::addColumn<bool>("fixedPitch");
    const QStringList gothic{QStringLiteral(u"ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                             QStringLiteral("IPAGothic")};
    QTest::newRow("gothic 11.25") << gothicFont(11.25) << gothic << 11.25 << true;
    QTest::newRow("gothic 9") << gothicFont(9) << gothic << 9.0 << true;
    QTest::newRow("user interface")
        << uiFont()
        << QStringList{QStringLiteral("MS UI Gothic"), QStringLiteral("Meiryo UI"),
                       QStringLiteral("IPAPGothic")}
        << 9.0 << false;
}

void WidgetsTest::fonts() {
    QFETCH(QFont, font);
    QFETCH(QStringList, faces);
    QFETCH(double, points);
    QFETCH(bool, fixedPitch);
    const QFontInfo info(font);
    QVERIFY2(faces.contains(info.family()), qPrintable(info.family()));
    QCOMPARE(font.pointSizeF(), points);
    QCOMPARE(info.weight(), int(QFont::Normal));
    QVERIFY(!info.italic());
    const QFontMetricsF metrics(font);
    for (const char16_t c : u"ゴシック属性") {
        if (c != 0) {
            QVERIFY(metrics.inFont(QChar(c)));
        }
    }
    // A fixed-pitch face gives every half-width letter half the width of a
    // full-width character.
    const qreal narrow = metrics.horizontalAdvance(QLatin1Char('i'));
    const qreal wide = metrics.horizontalAdvance(QLatin1Char('W'));
    QCOMPARE(narrow == wide, fixedPitch);
    if (fixedPitch) {
        QCOMPARE(2 * narrow, metrics.horizontalAdvance(QChar(u'属')));
    }
}

void WidgetsTest::paletteLineDrawsItsSystemColour_data() {
    QTest::addColumn<QPalette::ColorRole>("role");
    QTest::addColumn<QPalette::ColorRole>("other");
    QTest::newRow("button shadow") << QPalette::Dark << QPalette::Light;
    QTest::newRow("3-D highlight") << QPalette::Light << QPalette::Dark;
}

void WidgetsTest::paletteLineDrawsItsSystemColour() {
    QFETCH(QPalette::ColorRole, role);
    QFETCH(QPalette::ColorRole, other);
    PaletteLine line(role);
    line.resize(20, 1);
    QCOMPARE(line.colorRole(), role);
    QVERIFY(line.palette().color(role) != line.palette().color(other));
    const QImage image = line.grab().toImage();
    QCOMPARE(image.size(), QSize(20, 1));
    for (int x = 0; x < image.width(); ++x) {
        QCOMPARE(image.pixelColor(x, 0).rgb(), line.palette().color(role).rgb());
    }
}

void WidgetsTest::qtTextsAreJapanese_data() {
    QTest::addColumn<QString>("context");
    QTest::addColumn<QString>("english");
    QTest::addColumn<QString>("japanese");
    QTest::newRow("file dialog title") << "QFileDialog"
                                       << "Open" << QStringLiteral(u"開く");
    QTest::newRow("file dialog cancel") << "QPlatformTheme"
                                        << "Cancel" << QStringLiteral(u"キャンセル");
}

// The dialogs speak Japanese like the windows do; this fails when Qt's
// Japanese translation is missing from the machine.
void WidgetsTest::qtTextsAreJapanese() {
    QFETCH(QString, context);
    QFETCH(QString, english);
    QFETCH(QString, japanese);
    static const bool installed = useJapaneseQtTexts(*QCoreApplication::instance());
    QVERIFY(installed);
    QCOMPARE(
        QCoreApplication::translate(context.toLatin1().constData(), english.toLatin1().constData()),
        japanese);
}

QTEST_MAIN(WidgetsTest)
#include "widgets_test.moc"
