#pragma once

#include "file_picker.h"

namespace quorvane::ui {

// The program's file picker: Qt's open-file dialog, modal to the window.
class QtFilePicker final : public FilePicker {
public:
    std::optional<QString> pickOpenFile(QWidget* parent, const FilePickRequest& request) override;
};

} // namespace quorvane::ui
