#pragma once

#include <QString>

class QWidget;

namespace quorvane::ui {

class FilePicker;

// The window's file-dialog component: a filter in the form
// "description|pattern|description|pattern", the standard open-dialog option
// flags, whether a cancel is reported as an error, and the chosen file name,
// which it keeps between showings.
class CommonDialog final {
public:
    static constexpr int kOverwritePrompt = 0x2;
    static constexpr int kHideReadOnly = 0x4;
    static constexpr int kPathMustExist = 0x800;
    static constexpr int kFileMustExist = 0x1000;

    explicit CommonDialog(FilePicker& picker);

    void setCancelError(bool cancelError) { m_cancelError = cancelError; }
    void setFilter(const QString& filter) { m_filter = filter; }
    void setFlags(int flags) { m_flags = flags; }
    QString fileName() const { return m_fileName; }

    // Shows the open-file dialog. A cancel raises DialogCancelled when cancel
    // errors are on, else leaves an empty file name.
    void ShowOpen(QWidget* parent);

    // The first entry of a "description|pattern|..." filter as a Qt name
    // filter; Qt has one filter a dialog here, so later entries are dropped.
    static QString qtNameFilter(const QString& filter);

private:
    FilePicker& m_picker;
    QString m_filter;
    QString m_fileName;
    int m_flags = 0;
    bool m_cancelError = false;
};

} // namespace quorvane::ui
