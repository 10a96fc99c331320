#include "quorvane/ui/palette_line.h"
#include "quorvane/ui/spin_button.h"
#include "quorvane/ui/tag_view.h"
#include "quorvane/ui/twips.h"
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
#include <QSet>
#include <QSignalSpy>

using quorvane::ui::frmTable;
using quorvane::ui::PaletteLine;
using quorvane::ui::SpinButton;
using quorvane::ui::twipsRect;

// How the main window starts, and what holds of its controls whatever their
// captions and places: nothing overlaps, Tab walks what can take the focus,
// access keys are unique, keys do what they should.
class FrmTableLayoutTest final : public QObject {
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void startUpState();
    void noTwoControlsOverlap();
    void tabKeyWalksVisibleEnabledControls_data();
    void tabKeyWalksVisibleEnabledControls();
    void enterClicksTheFocusedButton_data();
    void enterClicksTheFocusedButton();
    void escapeAndEnterElsewhereClickNothing_data();
    void escapeAndEnterElsewhereClickNothing();
    void accessKeys();
    void accessKeysAreUnique();
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
        return box->textString();
    }
    if (const auto* menu = qobject_cast<const QMenu*>(found)) {
        return menu->title();
    }
    if (const auto* action = qobject_cast<const QAction*>(found)) {
        return action->text();
    }
    return QStringLiteral("<no control named %1>").arg(name);
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

namespace {

// The access key of a caption: the character after a lone "&".
QChar accessKey(const QString& caption) {
    for (qsizetype i = 0; i + 1 < caption.size(); ++i) {
        if (caption[i] == u'&') {
            if (caption[i + 1] != u'&') {
                return caption[i + 1].toUpper();
            }
            ++i;
        }
    }
    return {};
}

// Names the captions of `captions` whose access key another one has too.
QStringList clashes(const QStringList& captions) {
    QStringList clashing;
    QSet<QChar> seen;
    for (const QString& caption : captions) {
        const QChar key = accessKey(caption);
        if (!key.isNull()) {
            if (seen.contains(key)) {
                clashing << caption;
            }
            seen.insert(key);
        }
    }
    return clashing;
}

} // namespace

// Within the window (its buttons and the menu bar's entries) and within each
// menu, no two captions share an access key; every command has one.
void FrmTableLayoutTest::accessKeysAreUnique() {
    QStringList window;
    for (const QPushButton* button : m_window->findChildren<QPushButton*>()) {
        window << button->text();
    }
    for (const QAction* entry : m_window->menuBar()->actions()) {
        window << entry->text();
        if (const QMenu* menu = entry->menu()) {
            QStringList items;
            for (const QAction* item : menu->actions()) {
                if (!item->isSeparator()) {
                    items << item->text();
                    QVERIFY2(!accessKey(item->text()).isNull(), qPrintable(item->text()));
                }
            }
            QCOMPARE(clashes(items), QStringList());
        }
    }
    for (const QString& caption : window) {
        QVERIFY2(!accessKey(caption).isNull(), qPrintable(caption));
    }
    QCOMPARE(clashes(window), QStringList());
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
    const std::string line = "<tr><td>" + std::string(300, 'x') + "</td>";
    output->setText(line + "\r\n" + line);
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
