#include "qt_message_box.h"

namespace quorvane::ui {

void QtMessageBox::Show(QWidget* parent, const MessageBoxRequest& request) {
    QMessageBox box(request.icon, request.title, request.text, request.buttons, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}

} // namespace quorvane::ui
