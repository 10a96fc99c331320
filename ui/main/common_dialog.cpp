#include "common_dialog.h"

#include "dialog_cancelled.h"
#include "file_picker.h"

#include <QStringList>

namespace quorvane::ui {

CommonDialog::CommonDialog(FilePicker& picker)
    : m_picker(picker) {}

QString CommonDialog::qtNameFilter(const QString& filter) {
    const QStringList parts = filter.split(QLatin1Char('|'));
    if (parts.size() < 2) {
        return QString();
    }
    QString patterns = parts.at(1);
    patterns.replace(QLatin1Char(';'), QLatin1Char(' '));
    return parts.at(0) + QStringLiteral(" (") + patterns + QLatin1Char(')');
}

void CommonDialog::ShowOpen(QWidget* parent) {
    FilePickRequest request;
    request.nameFilter = qtNameFilter(m_filter);
    request.fileName = m_fileName;
    request.fileMustExist = (m_flags & kFileMustExist) != 0;
    request.pathMustExist = request.fileMustExist || (m_flags & kPathMustExist) != 0;

    const std::optional<QString> chosen = m_picker.pickOpenFile(parent, request);
    if (!chosen) {
        if (m_cancelError) {
            throw DialogCancelled();
        }
        m_fileName.clear();
        return;
    }
    m_fileName = *chosen;
}

} // namespace quorvane::ui
