#include "quorvane/ui/about/frm_about.h"
#include "quorvane/ui/fonts.h"
#include "quorvane/ui/palette_line.h"

#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <QTest>
#include <QTextLayout>

using quorvane::ui::frmAbout;
using quorvane::ui::PaletteLine;

namespace {

QRect twips(int left, int top, int width, int height) {
    auto px = [](int t) { return (t + 7) / 15; };
    return QRect(px(left), px(top), px(width), px(height));
}

} // namespace

class FrmAboutTest final : public QObject {
    Q_OBJECT

private slots:
    void initTestCase();
    void init();
    void cleanup();

    void loadStepSetsCaptions_data();
    void loadStepSetsCaptions();
    void descriptionPutsCaptionAloneOnFirstLine_data();
    void descriptionPutsCaptionAloneOnFirstLine();
    void controlsSitWhereLaidOut_data();
    void controlsSitWhereLaidOut();
    void windowIsFixedAndPlaced();
    void etchedRuleIsGreyOverDoubleWhite();
    void iconIsFramedPicture();
    void keysCloseTheWindow_data();
    void keysCloseTheWindow();
    void okButtonClosesTheWindow();
    void focusStartsOnOkAndTabsToAddress();
    void addressIsSelectableButNotEditable();

private:
    template <typename W> W* child(const char* name) {
        auto* w = m_about->findChild<W*>(QString::fromLatin1(name));
        if (w == nullptr) {
            qFatal("no child %s", name);
        }
        return w;
    }

    QPointer<frmAbout> m_about;
};

// The program runs with its own user-interface font; so do the tests.
void FrmAboutTest::initTestCase() {
    QApplication::setFont(quorvane::ui::uiFont());
}

void FrmAboutTest::init() {
    m_about = new frmAbout;
    m_about->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_about));
}

void FrmAboutTest::cleanup() {
    delete m_about.data();
}

void FrmAboutTest::loadStepSetsCaptions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("text");
    QTest::newRow("title") << "lblTitle" << QStringLiteral("Quorvane");
    QTest::newRow("version") << "lblVersion" << QStringLiteral(u"ﾊﾞｰｼﾞｮﾝ 1.0.2");
    QTest::newRow("maker") << "Label1" << QStringLiteral(u"office ぽるめに");
}

void FrmAboutTest::loadStepSetsCaptions() {
    QFETCH(QString, name);
    QFETCH(QString, text);
    QCOMPARE(child<QLabel>(name.toLatin1().constData())->text(), text);
    QCOMPARE(m_about->windowTitle(), QStringLiteral(u"Quorvaneのﾊﾞｰｼﾞｮﾝ情報"));
    QCOMPARE(child<QPushButton>("cmdOK")->text(), QStringLiteral("OK"));
}

void FrmAboutTest::descriptionPutsCaptionAloneOnFirstLine_data() {
    QTest::addColumn<int>("pointSize");
    QTest::addColumn<int>("width");
    QTest::newRow("label as laid out") << 0 << 0;
    QTest::newRow("wide label") << 9 << 2000;
    QTest::newRow("narrow font") << 6 << 259;
    QTest::newRow("large font") << 14 << 259;
}

void FrmAboutTest::descriptionPutsCaptionAloneOnFirstLine() {
    QFETCH(int, pointSize);
    QFETCH(int, width);
    const QString caption = QStringLiteral(u"ｱﾌﾟﾘｹｰｼｮﾝの説明");
    const QString description = QStringLiteral(u"CSVファイルをHTMLのテーブルタグに変換します。");
    const QString spaced = caption + QString(11, QChar(0x3000)) + QString(17, QLatin1Char(' ')) +
                           QChar(0x3000) + description;

    auto* label = child<QLabel>("lblDescription");
    QFont font = label->font();
    if (pointSize > 0) {
        font.setPointSize(pointSize);
    }
    const int lineWidth = width > 0 ? width : label->contentsRect().width();
    const QString text = width > 0 ? frmAbout::descriptionText(font, width) : label->text();
    QVERIFY2(text == spaced || text == caption + u'\n' + description, qPrintable(text));

    // Whatever form was chosen, the first line holds the caption and none of
    // the description proper.
    QString laidOut = text;
    laidOut.replace(u'\n', QChar::LineSeparator); // as the label breaks a plain-text line
    QTextLayout layout(laidOut, font);
    QTextOption option;
    option.setWrapMode(QTextOption::WordWrap);
    layout.setTextOption(option);
    layout.beginLayout();
    QTextLine first = layout.createLine();
    first.setLineWidth(lineWidth);
    layout.endLayout();
    const QString firstLine = laidOut.mid(first.textStart(), first.textLength());
    QVERIFY2(firstLine.startsWith(caption), qPrintable(firstLine));
    QVERIFY2(!firstLine.contains(QLatin1String("CSV")), qPrintable(firstLine));
}

void FrmAboutTest::controlsSitWhereLaidOut_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QRect>("geometry");
    QTest::newRow("Text1") << "Text1" << twips(1080, 2160, 3015, 270);
    QTest::newRow("picIcon") << "picIcon" << twips(240, 210, 540, 540);
    QTest::newRow("cmdOK") << "cmdOK" << twips(4245, 2040, 1380, 345);
    QTest::newRow("Label1") << "Label1" << twips(1050, 1890, 2535, 225);
    QTest::newRow("lblDescription") << "lblDescription" << twips(1050, 1125, 3885, 540);
    QTest::newRow("lblTitle") << "lblTitle" << twips(1050, 240, 3885, 480);
    QTest::newRow("lblVersion") << "lblVersion" << twips(1050, 780, 3885, 225);
}

void FrmAboutTest::controlsSitWhereLaidOut() {
    QFETCH(QString, name);
    QFETCH(QRect, geometry);
    auto* w = child<QWidget>(name.toLatin1().constData());
    QCOMPARE(w->geometry(), geometry);
    QVERIFY(w->isVisible());
    QVERIFY(w->isEnabled());
}

void FrmAboutTest::windowIsFixedAndPlaced() {
    QCOMPARE(m_about->size(), QSize(382, 167));
    QCOMPARE(m_about->minimumSize(), m_about->maximumSize());
    QCOMPARE(m_about->parentWidget(), nullptr);
    QVERIFY(!m_about->isModal());
    const Qt::WindowFlags flags = m_about->windowFlags();
    QVERIFY(!(flags & Qt::WindowMinimizeButtonHint));
    QVERIFY(!(flags & Qt::WindowMaximizeButtonHint));
    QVERIFY(flags & Qt::WindowCloseButtonHint);
    QCOMPARE(m_about->geometry().topLeft(), QPoint(156, 129));
}

void FrmAboutTest::etchedRuleIsGreyOverDoubleWhite() {
    const auto lines = m_about->findChildren<PaletteLine*>(QStringLiteral("Line1"));
    QCOMPARE(lines.size(), 2);
    const PaletteLine* grey = nullptr;
    const PaletteLine* white = nullptr;
    for (const PaletteLine* line : lines) {
        (line->property("index").toInt() == 1 ? grey : white) = line;
    }
    QVERIFY(grey != nullptr && white != nullptr);
    QCOMPARE(grey->color(), QColor(128, 128, 128));
    QCOMPARE(grey->geometry(), QRect(6, 114, 371, 1));
    QCOMPARE(white->color(), QColor(Qt::white));
    QCOMPARE(white->geometry(), QRect(7, 115, 370, 2));
}

void FrmAboutTest::iconIsFramedPicture() {
    auto* icon = child<QLabel>("picIcon");
    QCOMPARE(icon->pixmap().size(), QSize(32, 32));
    QCOMPARE(icon->frameWidth(), 2);
    QCOMPARE(icon->frameShadow(), QFrame::Sunken);
    QCOMPARE(icon->contentsRect().size(), QSize(32, 32));
}

void FrmAboutTest::keysCloseTheWindow_data() {
    QTest::addColumn<int>("key");
    QTest::newRow("Enter") << int(Qt::Key_Return);
    QTest::newRow("keypad Enter") << int(Qt::Key_Enter);
    QTest::newRow("Esc") << int(Qt::Key_Escape);
}

void FrmAboutTest::keysCloseTheWindow() {
    QFETCH(int, key);
    m_about->activateWindow();
    QTest::keyClick(QApplication::focusWidget() ? QApplication::focusWidget() : m_about.data(),
                    Qt::Key(key));
    QTRY_VERIFY(m_about.isNull());
}

void FrmAboutTest::okButtonClosesTheWindow() {
    QTest::mouseClick(child<QPushButton>("cmdOK"), Qt::LeftButton);
    QTRY_VERIFY(m_about.isNull());
}

void FrmAboutTest::focusStartsOnOkAndTabsToAddress() {
    m_about->activateWindow();
    QTRY_COMPARE(QApplication::focusWidget(), child<QWidget>("cmdOK"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("Text1"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    QCOMPARE(QApplication::focusWidget(), child<QWidget>("cmdOK"));
}

void FrmAboutTest::addressIsSelectableButNotEditable() {
    auto* text = child<QLineEdit>("Text1");
    const QString before = text->text();
    QVERIFY(!before.isEmpty());
    text->setFocus();
    QTest::keyClicks(text, QStringLiteral("typed"));
    QTest::keyClick(text, Qt::Key_Backspace);
    QCOMPARE(text->text(), before);
    QTest::keyClick(text, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(text->selectedText(), before);
    QTest::keyClick(text, Qt::Key_C, Qt::ControlModifier);
    QCOMPARE(QGuiApplication::clipboard()->text(), before);
    // Enter in the box still reaches the default button.
    QTest::keyClick(text, Qt::Key_Return);
    QTRY_VERIFY(m_about.isNull());
}

QTEST_MAIN(FrmAboutTest)
#include "frm_about_test.moc"
