#include "quorvane/ui/main/qt_user_dialogs.h"

#include "quorvane/window/window_texts.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QMessageBox>

namespace quorvane::ui {
namespace {

// Returns the typed name of a file that does not exist, but refuses one whose
// folder does not exist.
class OpenFileDialog final : public QFileDialog {
public:
    explicit OpenFileDialog(QWidget* parent)
        : QFileDialog(parent) {
        setObjectName(QStringLiteral("OpenFileDialog"));
        setAcceptMode(QFileDialog::AcceptOpen);
        setFileMode(QFileDialog::AnyFile);
        setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::HideNameFilterDetails);
        setNameFilter(QStringLiteral("CSV(*.csv) (*.csv)"));
    }

    void accept() override {
        const QStringList files = selectedFiles();
        if (!files.isEmpty() && !QFileInfo(files.first()).absoluteDir().exists()) {
            QMessageBox::warning(
                this, windowTitle(),
                QStringLiteral(u"%1\nパスが存在しません。\nパスが正しいかどうか確認してください。")
                    .arg(QDir::toNativeSeparators(files.first())));
            return;
        }
        QFileDialog::accept();
    }
};

} // namespace

std::optional<QString> QtUserDialogs::chooseCsvFile(QWidget* parent, const QString& lastName) {
    OpenFileDialog dialog(parent);
    if (!lastName.isEmpty()) {
        const QFileInfo last(lastName);
        dialog.setDirectory(last.absolutePath());
        dialog.selectFile(last.fileName());
    }
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

// Qt's own save dialog, for HTML files, asking before it replaces one.
std::optional<QString> QtUserDialogs::chooseSaveFile(QWidget* parent, const QString& suggested) {
    QFileDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("SaveFileDialog"));
    dialog.setWindowTitle(QString::fromUtf8(window::kSaveTitle));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setOptions(QFileDialog::DontUseNativeDialog);
    dialog.setNameFilter(QStringLiteral("HTML (*.html *.htm)"));
    dialog.setDefaultSuffix(QStringLiteral("html"));
    const QFileInfo start(suggested);
    dialog.setDirectory(start.absolutePath());
    dialog.selectFile(start.fileName());
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) {
        return std::nullopt;
    }
    return dialog.selectedFiles().first();
}

std::optional<QString> QtUserDialogs::askTableAttribute(QWidget* parent, const QString& current) {
    QInputDialog dialog(parent);
    dialog.setObjectName(QStringLiteral("TableAttributeDialog"));
    dialog.setWindowTitle(QString::fromUtf8(window::kTableAttributeTitle));
    dialog.setLabelText(QString::fromUtf8(window::kTableAttributePrompt));
    dialog.setTextValue(current);
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue();
}

void QtUserDialogs::reportFailure(QWidget* parent) {
    QMessageBox box(QMessageBox::Information, QString::fromUtf8(window::kFailureTitle),
                    QString::fromUtf8(window::kFailureText), QMessageBox::Ok, parent);
    box.setObjectName(QStringLiteral("MessageBox"));
    box.exec();
}

} // namespace quorvane::ui
