#include "palette_line.h"
#include "spin_button.h"
#include "tag_view.h"
#include "twips.h"
#include "window_fixture.h"

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>

using quorvane::ui::frmTable;
using quorvane::ui::PaletteLine;
using quorvane::ui::SpinButton;
using quorvane::ui::twipsRect;

// What the main window is made of and how it starts: controls, captions,
// positions, fonts, menus, tab order and keys.
class FrmTableLayoutTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpState();
    void windowSettings();
    void captions_data();
    void captions();
    void geometry_data();
    void geometry();
    void labelsFitTheirText_data();
    void labelsFitTheirText();
    void noTwoControlsOverlap();
    void etchedRuleUnderTheMenuBar();
    void fonts_data();
    void fonts();
    void menus();
    void tabOrder();
    void tabKeyWalksVisibleEnabledControls_data();
    void tabKeyWalksVisibleEnabledControls();
    void enterClicksTheFocusedButton_data();
    void enterClicksTheFocusedButton();
    void escapeAndEnterElsewhereClickNothing_data();
    void escapeAndEnterElsewhereClickNothing();
    void accessKeys();
    void readOnlyBoxesTakeNoTyping_data();
    void readOnlyBoxesTakeNoTyping();
    void outputBoxScrollsInsteadOfWrapping();

private:
    template <typename T> T* get(const QString& name) const { return child<T>(*m_window, name); }
    void confirm() { QTest::mouseClick(get<QPushButton>("CmdDataCntOK"), Qt::LeftButton); }
    QStringList focusWalk(Qt::KeyboardModifiers modifiers, int steps);
    QString shownText(const QString& name) const;

    std::unique_ptr<frmTable> m_window;
};

void FrmTableLayoutTest::init() {
    m_window = openWindow();
}

void FrmTableLayoutTest::cleanup() {
    m_window.reset();
}

void FrmTableLayoutTest::startUpState() {
    QCOMPARE(m_window->dataCnt(), 1);
    QCOMPARE(get<QLineEdit>("TxtDataCnt")->text(), QStringLiteral("1"));
    QCOMPARE(get<QLineEdit>("TxtFeeld")->text(), QStringLiteral("1"));
    QVERIFY(!get<QGroupBox>("Frame2")->isVisible());
    for (const char* inside :
         {"UpDown2", "CmdHanei", "TxtFeeld", "TxtStyle", "LstStyle", "Label2", "Label3"}) {
        QVERIFY2(!get<QWidget>(inside)->isVisible(), inside);
    }
    QVERIFY(get<QGroupBox>("Frame1")->isVisible());
    QVERIFY(!get<QPushButton>("CmdDataCntCancel")->isEnabled());
    QVERIFY(get<QPushButton>("CmdDataCntOK")->isEnabled());
    QVERIFY(get<SpinButton>("UpDown1")->isEnabled());
    QVERIFY(get<quorvane::ui::TagView>("TxtTag")->text().empty());
    QCOMPARE(get<QListWidget>("LstStyle")->count(), 0);
    QVERIFY(m_window->styleRows().empty());

    auto* count = get<SpinButton>("UpDown1");
    auto* field = get<SpinButton>("UpDown2");
    QCOMPARE(count->minimum(), 1);
    QCOMPARE(count->maximum(), 100);
    QCOMPARE(count->value(), 1);
    QCOMPARE(count->buddy(), get<QLineEdit>("TxtDataCnt"));
    QCOMPARE(field->minimum(), 1);
    QCOMPARE(field->maximum(), 10);
    QCOMPARE(field->value(), 1);
    QCOMPARE(field->buddy(), get<QLineEdit>("TxtFeeld"));
    QCOMPARE(QApplication::focusWidget(), count);
}

void FrmTableLayoutTest::windowSettings() {
    QCOMPARE(m_window->objectName(), QStringLiteral("frmTable"));
    QCOMPARE(m_window->windowTitle(), QStringLiteral("Quorvane"));
    QCOMPARE(m_window->centralWidget()->size(), QSize(610, 610));
    QCOMPARE(m_window->centralWidget()->y(), m_window->menuBar()->geometry().bottom() + 1);
    QCOMPARE(m_window->minimumSize(), m_window->maximumSize());
    QCOMPARE(m_window->size(), m_window->minimumSize());
    const Qt::WindowFlags flags = m_window->windowFlags();
    QVERIFY(!flags.testFlag(Qt::WindowMaximizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowMinimizeButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowCloseButtonHint));
    QVERIFY(flags.testFlag(Qt::WindowSystemMenuHint));
}

void FrmTableLayoutTest::captions_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("caption");
    QTest::newRow("CmdCopy") << "CmdCopy" << QStringLiteral(u"クリップボードにコピー(&C)");
    QTest::newRow("Frame2") << "Frame2" << QStringLiteral(u"セルの属性の設定");
    QTest::newRow("CmdHanei") << "CmdHanei" << QStringLiteral(u"↓リストに反映↓(&I)");
    QTest::newRow("TxtFeeld") << "TxtFeeld" << QStringLiteral("1");
    QTest::newRow("TxtStyle") << "TxtStyle" << QString();
    QTest::newRow("Label3") << "Label3" << QStringLiteral(u"挿入したいセルの属性：");
    QTest::newRow("Label2") << "Label2" << QStringLiteral(u"フィールドの列番号：");
    QTest::newRow("Frame1") << "Frame1" << QStringLiteral(u"参照するCSVファイルのフィールドの数");
    QTest::newRow("CmdDataCntCancel") << "CmdDataCntCancel" << QStringLiteral(u"やりなおし(&R)");
    QTest::newRow("CmdDataCntOK") << "CmdDataCntOK" << QStringLiteral(u"決定（&K)");
    QTest::newRow("TxtDataCnt") << "TxtDataCnt" << QStringLiteral("1");
    QTest::newRow("Label1") << "Label1" << QStringLiteral(u"フィールドの数：");
    QTest::newRow("TxtTag") << "TxtTag" << QString();
    QTest::newRow("CmdFileOpen") << "CmdFileOpen" << QStringLiteral(u"CSVファイルの選択(&O)");
    QTest::newRow("mnuFile") << "mnuFile" << QStringLiteral(u"ファイル(&F)");
    QTest::newRow("mnuCSV") << "mnuCSV" << QStringLiteral(u"CSVファイルの選択(&O)");
    QTest::newRow("mnuClose") << "mnuClose" << QStringLiteral(u"終了(&X)");
    QTest::newRow("mnuEdit") << "mnuEdit" << QStringLiteral(u"編集(&E)");
    QTest::newRow("mnuCopy") << "mnuCopy" << QStringLiteral(u"クリップボードにコピー(&C)");
    QTest::newRow("mnuVir") << "mnuVir" << QStringLiteral(u"バージョン情報(&V)");
}

QString FrmTableLayoutTest::shownText(const QString& name) const {
    const QObject* found = m_window->findChild<QObject*>(name);
    if (const auto* button = qobject_cast<const QAbstractButton*>(found)) {
        return button->text();
    }
    if (const auto* group = qobject_cast<const QGroupBox*>(found)) {
        return group->title();
    }
    if (const auto* label = qobject_cast<const QLabel*>(found)) {
        return label->text();
    }
    if (const auto* box = qobject_cast<const QLineEdit*>(found)) {
        return box->text();
    }
    if (const auto* box = qobject_cast<const quorvane::ui::TagView*>(found)) {
        return QString::fromStdU16String(box->text());
    }
    if (const auto* menu = qobject_cast<const QMenu*>(found)) {
        return menu->title();
    }
    if (const auto* action = qobject_cast<const QAction*>(found)) {
        return action->text();
    }
    return QStringLiteral("<no control named %1>").arg(name);
}

void FrmTableLayoutTest::captions() {
    QFETCH(QString, name);
    QFETCH(QString, caption);
    QCOMPARE(shownText(name), caption);
}

void FrmTableLayoutTest::geometry_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QRect>("twips");
    const auto row = [](const char* name, const char* in, int l, int t, int w, int h) {
        QTest::newRow(name) << QString::fromLatin1(name) << QString::fromLatin1(in)
                            << QRect(l, t, w, h);
    };
    row("CmdCopy", "", 6720, 4935, 2220, 330);
    row("Frame2", "", 105, 1365, 8835, 3480);
    row("UpDown2", "Frame2", 2940, 315, 555, 330);
    row("CmdHanei", "Frame2", 2310, 1155, 2010, 330);
    row("TxtFeeld", "Frame2", 2310, 315, 630, 330);
    row("TxtStyle", "Frame2", 2310, 735, 6315, 330);
    row("LstStyle", "Frame2", 2310, 1575, 6315, 1635);
    row("Frame1", "", 105, 105, 8835, 1065);
    row("CmdDataCntCancel", "Frame1", 6405, 420, 2220, 330);
    row("CmdDataCntOK", "Frame1", 3990, 420, 2220, 330);
    row("TxtDataCnt", "Frame1", 2310, 420, 630, 330);
    row("UpDown1", "Frame1", 2940, 420, 555, 330);
    row("TxtTag", "", 105, 5355, 8835, 3690);
    row("CmdFileOpen", "", 4305, 4935, 2220, 330);
}

void FrmTableLayoutTest::geometry() {
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QRect, twips);
    const QWidget* control = get<QWidget>(name);
    const QWidget* parent =
        container.isEmpty() ? m_window->centralWidget() : get<QWidget>(container);
    QCOMPARE(control->parentWidget(), parent);
    QCOMPARE(control->geometry(),
             twipsRect(twips.left(), twips.top(), twips.width(), twips.height()));
}

void FrmTableLayoutTest::labelsFitTheirText_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("container");
    QTest::addColumn<QPoint>("pixels");
    // Left and top in twips (315, 790), (555, 380) and (900, 500).
    QTest::newRow("Label3") << "Label3"
                            << "Frame2" << QPoint(21, 53);
    QTest::newRow("Label2") << "Label2"
                            << "Frame2" << QPoint(37, 25);
    QTest::newRow("Label1") << "Label1"
                            << "Frame1" << QPoint(60, 33);
}

void FrmTableLayoutTest::labelsFitTheirText() {
    QFETCH(QString, name);
    QFETCH(QString, container);
    QFETCH(QPoint, pixels);
    const auto* label = get<QLabel>(name);
    QCOMPARE(label->parentWidget(), get<QWidget>(container));
    QCOMPARE(label->pos(), pixels);
    QCOMPARE(label->size(), label->sizeHint());
    QCOMPARE(label->focusPolicy(), Qt::NoFocus);
}

void FrmTableLayoutTest::noTwoControlsOverlap() {
    for (const QWidget* container :
         {m_window->centralWidget(), get<QWidget>("Frame1"), get<QWidget>("Frame2")}) {
        const QList<QWidget*> controls =
            container->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
        for (qsizetype i = 0; i < controls.size(); ++i) {
            for (qsizetype j = i + 1; j < controls.size(); ++j) {
                QVERIFY2(!controls[i]->geometry().intersects(controls[j]->geometry()),
                         qPrintable(controls[i]->objectName() + QStringLiteral(" / ") +
                                    controls[j]->objectName()));
            }
        }
    }
}

void FrmTableLayoutTest::etchedRuleUnderTheMenuBar() {
    const auto* dark = get<PaletteLine>("Line1");
    const auto* light = get<PaletteLine>("Line2");
    QCOMPARE(dark->colorRole(), QPalette::Dark);
    QCOMPARE(light->colorRole(), QPalette::Light);
    QCOMPARE(dark->geometry(), QRect(7, 0, 588, 1));
    QCOMPARE(light->geometry(), QRect(7, 1, 588, 1));
    const QImage client = m_window->centralWidget()->grab().toImage();
    for (const int x : {7, 300, 594}) {
        QCOMPARE(client.pixelColor(x, 0).rgb(), dark->color().rgb());
        QCOMPARE(client.pixelColor(x, 1).rgb(), light->color().rgb());
    }
    QVERIFY(client.pixelColor(6, 0).rgb() != dark->color().rgb());
}

void FrmTableLayoutTest::fonts_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<double>("gothicPoints"); // 0: the interface font
    QTest::newRow("TxtStyle") << "TxtStyle" << 11.25;
    QTest::newRow("LstStyle") << "LstStyle" << 11.25;
    QTest::newRow("TxtTag") << "TxtTag" << 9.0;
    for (const char* name :
         {"CmdCopy", "Frame2", "CmdHanei", "TxtFeeld", "Label3", "Label2", "Frame1",
          "CmdDataCntCancel", "CmdDataCntOK", "TxtDataCnt", "Label1", "CmdFileOpen"}) {
        QTest::newRow(name) << name << 0.0;
    }
}

void FrmTableLayoutTest::fonts() {
    QFETCH(QString, name);
    QFETCH(double, gothicPoints);
    const QWidget* control = get<QWidget>(name);
    if (gothicPoints == 0) {
        QCOMPARE(control->font(), QApplication::font());
        return;
    }
    const QFontInfo face(control->font());
    QVERIFY2(QStringList({QStringLiteral(u"ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                          QStringLiteral("IPAGothic")})
                 .contains(face.family()),
             qPrintable(face.family()));
    QCOMPARE(control->font().pointSizeF(), gothicPoints);
    QCOMPARE(face.weight(), int(QFont::Normal));
    QVERIFY(!face.italic());
}

void FrmTableLayoutTest::menus() {
    const QList<QAction*> bar = m_window->menuBar()->actions();
    QCOMPARE(bar.size(), 3);
    QCOMPARE(bar[0], get<QMenu>("mnuFile")->menuAction());
    QCOMPARE(bar[1], get<QMenu>("mnuEdit")->menuAction());
    QCOMPARE(bar[2], get<QAction>("mnuVir"));
    QVERIFY(get<QAction>("mnuVir")->menu() == nullptr);

    const QList<QAction*> file = get<QMenu>("mnuFile")->actions();
    QCOMPARE(file.size(), 3);
    QCOMPARE(file[0], get<QAction>("mnuCSV"));
    QCOMPARE(file[1], get<QAction>("sepa"));
    QVERIFY(file[1]->isSeparator());
    QCOMPARE(file[2], get<QAction>("mnuClose"));
    QCOMPARE(get<QMenu>("mnuEdit")->actions(), QList<QAction*>{get<QAction>("mnuCopy")});

    for (const char* name : {"mnuCSV", "mnuClose", "mnuCopy", "mnuVir"}) {
        const QAction* item = get<QAction>(name);
        QVERIFY2(item->shortcut().isEmpty(), name);
        QVERIFY2(!item->isCheckable(), name);
        QVERIFY2(item->isEnabled() && item->isVisible(), name);
    }
}

void FrmTableLayoutTest::tabOrder() {
    const QStringList expected{"UpDown1",  "CmdDataCntOK", "CmdDataCntCancel", "UpDown2",
                               "TxtStyle", "CmdHanei",     "CmdFileOpen",      "CmdCopy",
                               "TxtTag",   "TxtDataCnt",   "LstStyle",         "TxtFeeld"};
    QStringList chain;
    QWidget* first = get<QWidget>("UpDown1");
    QWidget* widget = first;
    do {
        if (widget->focusPolicy() & Qt::TabFocus) {
            chain << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != first && chain.size() <= expected.size());
    QCOMPARE(chain, expected);
    for (const char* name : {"Frame1", "Frame2", "Label1", "Label2", "Label3"}) {
        QCOMPARE(get<QWidget>(name)->focusPolicy(), Qt::NoFocus);
    }
}

QStringList FrmTableLayoutTest::focusWalk(Qt::KeyboardModifiers modifiers, int steps) {
    QStringList walk;
    for (int i = 0; i < steps; ++i) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab, modifiers);
        walk << QApplication::focusWidget()->objectName();
    }
    return walk;
}

void FrmTableLayoutTest::tabKeyWalksVisibleEnabledControls_data() {
    QTest::addColumn<bool>("editing");
    QTest::addColumn<QString>("start");
    QTest::addColumn<QStringList>("forward");
    QTest::newRow("setup state") << false << "UpDown1"
                                 << QStringList{"CmdDataCntOK", "CmdFileOpen", "CmdCopy",
                                                "TxtTag",       "TxtDataCnt",  "UpDown1"};
    QTest::newRow("editing state")
        << true << "CmdDataCntCancel"
        << QStringList{"UpDown2", "TxtStyle",   "CmdHanei", "CmdFileOpen", "CmdCopy",
                       "TxtTag",  "TxtDataCnt", "LstStyle", "TxtFeeld",    "CmdDataCntCancel"};
}

void FrmTableLayoutTest::tabKeyWalksVisibleEnabledControls() {
    QFETCH(bool, editing);
    QFETCH(QString, start);
    QFETCH(QStringList, forward);
    if (editing) {
        confirm();
    }
    get<QWidget>(start)->setFocus(Qt::TabFocusReason);
    QCOMPARE(focusWalk(Qt::NoModifier, forward.size()), forward);
    QStringList backward = forward;
    std::reverse(backward.begin(), backward.end());
    backward.removeFirst();
    backward << start;
    get<QWidget>(forward.last())->setFocus(Qt::TabFocusReason);
    QCOMPARE(focusWalk(Qt::ShiftModifier, backward.size()), backward);
}

void FrmTableLayoutTest::enterClicksTheFocusedButton_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("editing");
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("CmdDataCntOK") << "CmdDataCntOK" << false << Qt::Key_Return;
    QTest::newRow("CmdDataCntCancel") << "CmdDataCntCancel" << true << Qt::Key_Return;
    QTest::newRow("CmdHanei") << "CmdHanei" << true << Qt::Key_Return;
    QTest::newRow("CmdFileOpen") << "CmdFileOpen" << false << Qt::Key_Return;
    QTest::newRow("CmdCopy, keypad Enter") << "CmdCopy" << false << Qt::Key_Enter;
}

void FrmTableLayoutTest::enterClicksTheFocusedButton() {
    QFETCH(QString, name);
    QFETCH(bool, editing);
    QFETCH(Qt::Key, key);
    if (editing) {
        confirm();
    }
    auto* button = get<QPushButton>(name);
    button->setFocus(Qt::TabFocusReason);
    QSignalSpy clicks(button, &QPushButton::clicked);
    QTest::keyClick(button, key);
    QCOMPARE(clicks.count(), 1);
}

void FrmTableLayoutTest::escapeAndEnterElsewhereClickNothing_data() {
    QTest::addColumn<QString>("name");
    QTest::addColumn<Qt::Key>("key");
    QTest::newRow("Enter in TxtStyle") << "TxtStyle" << Qt::Key_Return;
    QTest::newRow("Esc in TxtStyle") << "TxtStyle" << Qt::Key_Escape;
    QTest::newRow("Esc on CmdHanei") << "CmdHanei" << Qt::Key_Escape;
    QTest::newRow("Esc in LstStyle") << "LstStyle" << Qt::Key_Escape;
    QTest::newRow("Enter on UpDown2") << "UpDown2" << Qt::Key_Return;
    QTest::newRow("Esc on CmdDataCntCancel") << "CmdDataCntCancel" << Qt::Key_Escape;
    QTest::newRow("Enter in TxtTag") << "TxtTag" << Qt::Key_Return;
}

void FrmTableLayoutTest::escapeAndEnterElsewhereClickNothing() {
    QFETCH(QString, name);
    QFETCH(Qt::Key, key);
    confirm();
    QWidget* target = get<QWidget>(name);
    target->setFocus(Qt::TabFocusReason);
    QCOMPARE(QApplication::focusWidget(), target);
    QList<std::shared_ptr<QSignalSpy>> spies;
    for (QPushButton* button : m_window->findChildren<QPushButton*>()) {
        spies << std::make_shared<QSignalSpy>(button, &QPushButton::clicked);
    }
    QTest::keyClick(target, key);
    for (const auto& spy : spies) {
        QCOMPARE(spy->count(), 0);
    }
    QVERIFY(get<QGroupBox>("Frame2")->isVisible());
}

void FrmTableLayoutTest::accessKeys() {
    QSignalSpy version(get<QAction>("mnuVir"), &QAction::triggered);
    QTest::keyClick(m_window.get(), Qt::Key_V, Qt::AltModifier);
    QCOMPARE(version.count(), 1);
    // The version command opens its window; close it and come back.
    QWidget* about = nullptr;
    for (QWidget* w : QApplication::topLevelWidgets()) {
        if (w->objectName() == QLatin1String("frmAbout") && w->isVisible()) {
            about = w;
        }
    }
    QVERIFY(about != nullptr);
    about->close();
    m_window->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));

    // A button's access key presses it briefly, then clicks it.
    QTest::keyClick(m_window.get(), Qt::Key_K, Qt::AltModifier);
    QTRY_VERIFY(get<QGroupBox>("Frame2")->isVisible());
    QTest::keyClick(m_window.get(), Qt::Key_R, Qt::AltModifier);
    QTRY_VERIFY(!get<QGroupBox>("Frame2")->isVisible());
    QVERIFY(get<QPushButton>("CmdDataCntOK")->isEnabled());
}

void FrmTableLayoutTest::readOnlyBoxesTakeNoTyping_data() {
    QTest::addColumn<QString>("name");
    QTest::newRow("TxtDataCnt") << "TxtDataCnt";
    QTest::newRow("TxtFeeld") << "TxtFeeld";
    QTest::newRow("TxtTag") << "TxtTag";
}

void FrmTableLayoutTest::readOnlyBoxesTakeNoTyping() {
    QFETCH(QString, name);
    confirm();
    QWidget* box = get<QWidget>(name);
    const QString before = shownText(name);
    box->setFocus(Qt::TabFocusReason);
    QTest::keyClicks(box, QStringLiteral("97"));
    QTest::keyClick(box, Qt::Key_Backspace);
    QTest::keyClick(box, Qt::Key_Delete);
    QCOMPARE(shownText(name), before);
    QCOMPARE(m_window->dataCnt(), 1);
    QCOMPARE(m_window->fieldIdx(), 0);
}

void FrmTableLayoutTest::outputBoxScrollsInsteadOfWrapping() {
    auto* output = get<quorvane::ui::TagView>("TxtTag");
    QCOMPARE(output->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    QCOMPARE(output->verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);

    // A line longer than the box is wide stays one line and is reached by
    // scrolling.
    const std::u16string line = u"<tr><td>" + std::u16string(300, u'x') + u"</td>";
    output->setText(line + u"\r\n" + line);
    QCoreApplication::processEvents();
    QCOMPARE(output->lineCount(), std::size_t(2));
    QVERIFY(output->horizontalScrollBar()->maximum() > 0);
    output->setFocus(Qt::TabFocusReason);
    QTest::keyClick(output, Qt::Key_A, Qt::ControlModifier);
    QCOMPARE(output->selectedText().size(), 2 * line.size() + 2);
    QTest::keyClick(output, Qt::Key_End);
    QVERIFY(output->horizontalScrollBar()->value() > 0);
}

QTEST_MAIN(FrmTableLayoutTest)
#include "frm_table_layout_test.moc"
