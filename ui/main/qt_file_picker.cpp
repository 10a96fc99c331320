#include "qt_file_picker.h"

#include "open_file_dialog.h"

#include <QFileInfo>

namespace quorvane::ui {

std::optional<QString> QtFilePicker::pickOpenFile(QWidget* parent, const FilePickRequest& request) {
    OpenFileDialog dialog(parent, request.fileMustExist, request.pathMustExist);
    if (!request.nameFilter.isEmpty()) {
        dialog.setNameFilter(request.nameFilter);
    }
    if (!request.fileName.isEmpty()) {
        const QFileInfo last(request.fileName);
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

} // namespace quorvane::ui
