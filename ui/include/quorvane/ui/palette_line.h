#pragma once

#include <QPalette>
#include <QWidget>

namespace quorvane::ui {

// A straight line one pixel thick drawn in a system colour of the palette, so
// that it follows the desktop's colour scheme (etched rules and the like).
class PaletteLine final : public QWidget {
    Q_OBJECT

public:
    PaletteLine(QPalette::ColorRole role, QWidget* parent = nullptr);

    QPalette::ColorRole colorRole() const { return m_role; }
    QColor color() const { return palette().color(m_role); }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QPalette::ColorRole m_role;
};

} // namespace quorvane::ui
