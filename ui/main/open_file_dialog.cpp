#include "open_file_dialog.h"

#include <QDir>
#include <QFileInfo>
#include <QMessageBox>

namespace quorvane::ui {

OpenFileDialog::OpenFileDialog(QWidget* parent, bool fileMustExist, bool pathMustExist)
    : QFileDialog(parent)
    , m_fileMustExist(fileMustExist)
    , m_pathMustExist(pathMustExist) {
    setObjectName(QStringLiteral("OpenFileDialog"));
    setAcceptMode(QFileDialog::AcceptOpen);
    setFileMode(fileMustExist ? QFileDialog::ExistingFile : QFileDialog::AnyFile);
    setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails |
               QFileDialog::DontConfirmOverwrite);
}

bool OpenFileDialog::acceptable(const QString& path, bool fileMustExist, bool pathMustExist) {
    const QFileInfo info(path);
    if (fileMustExist && !info.isFile()) {
        return false;
    }
    return !pathMustExist || info.absoluteDir().exists();
}

void OpenFileDialog::accept() {
    const QStringList files = selectedFiles();
    if (!files.isEmpty() && !QFileInfo(files.first()).isDir() &&
        !acceptable(files.first(), m_fileMustExist, m_pathMustExist)) {
        QMessageBox::warning(
            this, windowTitle(),
            QStringLiteral(u"%1\nパスが存在しません。\nパスが正しいかどうか確認してください。")
                .arg(QDir::toNativeSeparators(files.first())));
        return;
    }
    QFileDialog::accept();
}

} // namespace quorvane::ui
