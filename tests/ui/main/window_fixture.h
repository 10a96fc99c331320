#pragma once

#include "fonts.h"
#include "frm_table.h"

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

// A main window shown and active, with the program's interface font.
inline std::unique_ptr<quorvane::ui::frmTable> openWindow() {
    QApplication::setFont(quorvane::ui::uiFont());
    auto window = std::make_unique<quorvane::ui::frmTable>();
    window->show();
    if (!QTest::qWaitForWindowActive(window.get())) {
        qFatal("the main window did not become active");
    }
    return window;
}
