#include "quorvane/ui/fonts.h"
#include "quorvane/ui/japanese_texts.h"
#include "quorvane/ui/main/frm_table.h"

#include <QApplication>
#include <QIcon>
#include <QPixmap>

#include "main_icon_16.xpm"
#include "main_icon_32.xpm"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setFont(quorvane::ui::uiFont());
    quorvane::ui::useJapaneseQtTexts(app);
    quorvane::ui::frmTable window;
    QIcon icon;
    icon.addPixmap(QPixmap(main_icon_32));
    icon.addPixmap(QPixmap(main_icon_16));
    window.setWindowIcon(icon);
    window.show();
    return app.exec();
}
