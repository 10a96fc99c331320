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
};

} // namespace quorvane::ui
