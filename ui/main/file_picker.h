#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quorvane::ui {

// What the open-file dialog is asked to show.
struct FilePickRequest {
    QString nameFilter; // one Qt name filter, such as "CSV(*.csv) (*.csv)"
    QString fileName;   // the name the dialog starts with
    bool fileMustExist = false;
    bool pathMustExist = false;
};

// Shows an open-file dialog and waits for it. Tests answer it without a
// person; the program uses QtFilePicker.
class FilePicker {
public:
    virtual ~FilePicker() = default;

    // The chosen path, or nothing when the user cancelled.
    virtual std::optional<QString> pickOpenFile(QWidget* parent,
                                                const FilePickRequest& request) = 0;
};

} // namespace quorvane::ui
