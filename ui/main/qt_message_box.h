#pragma once

#include "message_box.h"

namespace quorvane::ui {

// The program's message boxes: QMessageBox, modal to the window.
class QtMessageBox final : public MessageBox {
public:
    void Show(QWidget* parent, const MessageBoxRequest& request) override;
};

} // namespace quorvane::ui
