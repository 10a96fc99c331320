// Writes pictures of the main window, in its start-up state, in its editing
// state (count 3 confirmed, field 2 given an attribute), showing a Japanese
// table scrolled right and down with a selection, and of the window icon
// enlarged, as PNG files into the folder given as argument.
#include "file_picker.h"
#include "fonts.h"
#include "frm_table.h"
#include "message_box.h"
#include "spin_button.h"
#include "tag_view.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>

#include "main_icon_16.xpm"
#include "main_icon_32.xpm"

using quorvane::ui::frmTable;
using quorvane::ui::SpinButton;
using quorvane::ui::TagView;

namespace {

// Answers the file dialog with one prepared file.
struct Chooser final : quorvane::ui::FilePicker, quorvane::ui::MessageBox {
    QString path;
    std::optional<QString> pickOpenFile(QWidget*, const quorvane::ui::FilePickRequest&) override {
        return path;
    }
    void Show(QWidget*, const quorvane::ui::MessageBoxRequest&) override {
        qCritical("the conversion failed");
    }
};

// Code page 932 rows of Japanese text, one long enough to scroll right.
QByteArray japaneseCsv() {
    // "商品番号,商品名,価格", then rows of "A-n,ｶﾀｶﾅの品,price", in code page 932.
    const QByteArray header = QByteArray::fromHex("8fa4956994d48d862c8fa4956996bc2c89bf8a690d0a");
    QByteArray csv = header;
    for (int i = 1; i <= 60; ++i) {
        csv += "A-" + QByteArray::number(i) + "," + QByteArray::fromHex("b6c0b6c582cc9569") +
               QByteArray(i % 7 == 0 ? 150 : 0, 'x') + "," + QByteArray::number(100 * i) + "\r\n";
    }
    return csv;
}

void showTable(frmTable& window, Chooser& chooser, const QTemporaryDir& dir) {
    chooser.path = dir.filePath(QStringLiteral("japanese.csv"));
    QFile file(chooser.path);
    if (file.open(QIODevice::WriteOnly)) {
        file.write(japaneseCsv());
    }
    file.close();
    window.findChild<QAction*>(QStringLiteral("mnuCSV"))->trigger();
    auto* view = window.findChild<TagView*>(QStringLiteral("TxtTag"));
    view->verticalScrollBar()->setValue(20);
    view->horizontalScrollBar()->setValue(40);
    const std::u16string& text = view->text();
    const std::size_t start = text.find(u"ｶﾀｶﾅ", text.size() / 3);
    view->setSelection(start, start + 30);
}

bool save(const QPixmap& picture, const QDir& dir, const QString& name) {
    const QString path = dir.filePath(name);
    if (picture.isNull() || !picture.save(path)) {
        qCritical("cannot write %s", qPrintable(path));
        return false;
    }
    qInfo("wrote %s", qPrintable(path));
    return true;
}

void toEditingState(frmTable& window) {
    auto* count = window.findChild<SpinButton*>(QStringLiteral("UpDown1"));
    QTest::keyClick(count, Qt::Key_Up);
    QTest::keyClick(count, Qt::Key_Up);
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("CmdDataCntOK")),
                      Qt::LeftButton);
    QTest::keyClick(window.findChild<SpinButton*>(QStringLiteral("UpDown2")), Qt::Key_Up);
    QTest::keyClicks(window.findChild<QLineEdit*>(QStringLiteral("TxtStyle")),
                     QStringLiteral("align=\"right\""));
    QTest::mouseClick(window.findChild<QPushButton*>(QStringLiteral("CmdHanei")), Qt::LeftButton);
}

} // namespace

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(quorvane::ui::uiFont());
    const QDir dir(argc > 1 ? QString::fromLocal8Bit(argv[1]) : QStringLiteral("screens"));
    if (!QDir().mkpath(dir.path())) {
        return 1;
    }
    Chooser chooser;
    frmTable window(&chooser, &chooser);
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    bool ok = save(window.grab(), dir, QStringLiteral("frm_table_startup.png"));
    toEditingState(window);
    ok = save(window.grab(), dir, QStringLiteral("frm_table_editing.png")) && ok;
    QTemporaryDir files;
    showTable(window, chooser, files);
    ok = save(window.grab(), dir, QStringLiteral("frm_table_table.png")) && ok;
    ok = save(QPixmap(main_icon_32).scaled(256, 256), dir, QStringLiteral("icon_32_x8.png")) && ok;
    ok = save(QPixmap(main_icon_16).scaled(128, 128), dir, QStringLiteral("icon_16_x8.png")) && ok;
    return ok ? 0 : 1;
}
