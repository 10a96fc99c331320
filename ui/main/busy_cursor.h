#pragma once

#include <QApplication>
#include <QCursor>

namespace quorvane::ui {

// Shows the busy cursor for as long as it lives, whichever way the scope ends.
class BusyCursor final {
public:
    BusyCursor() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~BusyCursor() { QApplication::restoreOverrideCursor(); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
};

} // namespace quorvane::ui
