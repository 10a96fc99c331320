#pragma once

#include <QFileDialog>

namespace quorvane::ui {

// Qt's own open-file dialog (not the desktop's native one, so that its rules
// hold everywhere): it returns the typed name of a file that does not exist
// unless told otherwise, and can refuse a path whose folder does not exist.
class OpenFileDialog final : public QFileDialog {
    Q_OBJECT

public:
    OpenFileDialog(QWidget* parent, bool fileMustExist, bool pathMustExist);

    // Whether the dialog may close with `path` chosen.
    static bool acceptable(const QString& path, bool fileMustExist, bool pathMustExist);

    void accept() override;

private:
    bool m_fileMustExist;
    bool m_pathMustExist;
};

} // namespace quorvane::ui
