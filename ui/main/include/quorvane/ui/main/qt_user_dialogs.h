#pragma once

#include "quorvane/ui/main/user_dialogs.h"

namespace quorvane::ui {

// Qt's own open-file dialog (not the desktop's, so that its rules hold
// everywhere) and message box, both modal to the window.
class QtUserDialogs final : public UserDialogs {
public:
    std::optional<QString> chooseCsvFile(QWidget* parent, const QString& lastName) override;
    void reportFailure(QWidget* parent) override;
    std::optional<QString> chooseSaveFile(QWidget* parent, const QString& suggested) override;
    std::optional<QString> askTableAttribute(QWidget* parent, const QString& current) override;
};

} // namespace quorvane::ui
