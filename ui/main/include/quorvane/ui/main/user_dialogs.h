#pragma once

#include <QString>

#include <optional>

class QWidget;

namespace quorvane::ui {

// What the main window asks of the user. Tests answer it without a person;
// the program uses QtUserDialogs.
class UserDialogs {
public:
    virtual ~UserDialogs() = default;

    // The CSV file to convert, starting from the name chosen last; nothing
    // when the user cancels.
    virtual std::optional<QString> chooseCsvFile(QWidget* parent, const QString& lastName) = 0;

    // Tells the user that the conversion failed, and waits.
    virtual void reportFailure(QWidget* parent) = 0;

    // Where to save the table, suggesting `suggested`; asks before an
    // existing file is replaced; nothing when the user cancels.
    virtual std::optional<QString> chooseSaveFile(QWidget* parent, const QString& suggested) = 0;

    // The <table> tag's attribute text, starting from `current`; nothing when
    // the user cancels.
    virtual std::optional<QString> askTableAttribute(QWidget* parent, const QString& current) = 0;
};

} // namespace quorvane::ui
