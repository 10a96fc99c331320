#pragma once

#include "quorvane/ui/fonts.h"
#include "quorvane/ui/main/frm_table.h"
#include "scripted_user.h"

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

// A main window shown and active, with the program's interface font; a
// command started by a key or a click finds the dialog cancelled.
inline std::unique_ptr<quorvane::ui::frmTable> openWindow() {
    static ScriptedUser user;
    QApplication::setFont(quorvane::ui::uiFont());
    auto window = std::make_unique<quorvane::ui::frmTable>(&user);
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) {
        qFatal("the main window did not become active");
    }
    return window;
}
