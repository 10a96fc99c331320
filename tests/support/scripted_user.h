#pragma once

#include "quorvane/ui/main/user_dialogs.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

#include <deque>
#include <functional>
#include <optional>
#include <vector>

// The person at the main window's dialogs: answers the file dialog from a
// queue (a path, or nothing for a cancel; nothing once the queue is empty),
// and notes what it was asked and every failure it was told of.
class ScriptedUser final : public quorvane::ui::UserDialogs {
public:
    std::deque<std::optional<QString>> answers;
    std::vector<QString> startedFrom;
    int failures = 0;
    // Whether the busy cursor was still up when a question came.
    bool busyWhileAsked = false;

    std::optional<QString> chooseCsvFile(QWidget*, const QString& lastName) override {
        noteCursor();
        startedFrom.push_back(lastName);
        if (answers.empty()) {
            return std::nullopt;
        }
        std::optional<QString> answer = answers.front();
        answers.pop_front();
        return answer;
    }

    void reportFailure(QWidget*) override {
        noteCursor();
        ++failures;
    }

private:
    void noteCursor() { busyWhileAsked = busyWhileAsked || QApplication::overrideCursor(); }
};

// Runs `step` on the application's modal window as soon as one is up, for the
// tests of the real dialogs.
inline void whenModal(std::function<void(QWidget*)> step) {
    QTimer::singleShot(0, [step] {
        QWidget* modal = QApplication::activeModalWidget();
        if (modal == nullptr) {
            whenModal(step);
            return;
        }
        step(modal);
    });
}
