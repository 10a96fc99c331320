#pragma once

#include "file_picker.h"
#include "fonts.h"
#include "frm_table.h"
#include "message_box.h"

#include <QApplication>
#include <QTest>

#include <memory>

// Finds a control of the window by its name; a missing one ends the run,
// since every later check would only repeat the same failure.
template <typename T> T* child(const QObject& window, const QString& name) {
    T* found = window.findChild<T*>(name);
    if (!found) {
        qFatal("no %s named %s", T::staticMetaObject.className(), qPrintable(name));
    }
    return found;
}

// Stands in for the person at the file dialog and the message box, so that a
// command started by a key or a click never waits for anyone.
struct AbsentUser final : quorvane::ui::FilePicker, quorvane::ui::MessageBox {
    int dialogs = 0;
    int messages = 0;
    std::optional<QString> pickOpenFile(QWidget*, const quorvane::ui::FilePickRequest&) override {
        ++dialogs;
        return std::nullopt;
    }
    void Show(QWidget*, const quorvane::ui::MessageBoxRequest&) override { ++messages; }
};

// A main window shown and active, with the program's interface font.
inline std::unique_ptr<quorvane::ui::frmTable> openWindow() {
    static AbsentUser user;
    QApplication::setFont(quorvane::ui::uiFont());
    auto window = std::make_unique<quorvane::ui::frmTable>(&user, &user);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) {
        qFatal("the main window did not become active");
    }
    return window;
}
