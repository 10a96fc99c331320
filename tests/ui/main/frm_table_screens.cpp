// Writes pictures of the main window, in its start-up state and in its
// editing state (count 3 confirmed, field 2 given an attribute), and of the
// window icon enlarged, as PNG files into the folder given as argument.
#include "fonts.h"
#include "frm_table.h"
#include "spin_button.h"

#include <QApplication>
#include <QDir>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTest>

#include "main_icon_16.xpm"
#include "main_icon_32.xpm"

using quorvane::ui::frmTable;
using quorvane::ui::SpinButton;

namespace {

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
    frmTable window;
    window.show();
    if (!QTest::qWaitForWindowExposed(&window)) {
        return 1;
    }
    bool ok = save(window.grab(), dir, QStringLiteral("frm_table_startup.png"));
    toEditingState(window);
    ok = save(window.grab(), dir, QStringLiteral("frm_table_editing.png")) && ok;
    ok = save(QPixmap(main_icon_32).scaled(256, 256), dir, QStringLiteral("icon_32_x8.png")) && ok;
    ok = save(QPixmap(main_icon_16).scaled(128, 128), dir, QStringLiteral("icon_16_x8.png")) && ok;
    return ok ? 0 : 1;
}
