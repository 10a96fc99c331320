#pragma once

#include "quorvane/ui/main/user_dialogs.h"

#include <QtWidgets>

#include <deque>
#include <optional>

// The person at the main window's dialogs: answers the file dialog from a
// queue (a path, or nothing for a cancel; nothing once the queue is empty),
// and notes the name the dialog last started from, every failure it was told
// of, and whether the busy cursor was still up when a question came.
class ScriptedUser final : public quorvane::ui::UserDialogs {
public:
    std::deque<std::optional<QString>> answers;
    QString startedFrom;
    int failures = 0;
    bool busyWhileAsked = false;

    std::optional<QString> chooseCsvFile(QWidget*, const QString& lastName) override {
        noteCursor();
        startedFrom = lastName;
        const std::optional<QString> answer = answers.empty() ? std::nullopt : answers.front();
        if (!answers.empty()) {
            answers.pop_front();
        }
        return answer;
    }

    std::optional<QString> chooseSaveFile(QWidget*, const QString&) override { return {}; }
    std::optional<QString> askTableAttribute(QWidget*, const QString&) override { return {}; }

    void reportFailure(QWidget*) override {
        noteCursor();
        ++failures;
    }

private:
    void noteCursor() { busyWhileAsked = busyWhileAsked || QApplication::overrideCursor(); }
};
