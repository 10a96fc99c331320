#pragma once

#include <QMessageBox>
#include <QString>

namespace quorvane::ui {

// A modal message with its title, icon and buttons.
struct MessageBoxRequest {
    QString text;
    QString title;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QMessageBox::StandardButtons buttons = QMessageBox::Ok;
};

// Shows a modal message box and waits for it. Tests answer it without a
// person; the program uses QtMessageBox.
class MessageBox {
public:
    virtual ~MessageBox() = default;

    virtual void Show(QWidget* parent, const MessageBoxRequest& request) = 0;
};

} // namespace quorvane::ui
