#include "quorvane/ui/palette_line.h"

#include <QPainter>

namespace quorvane::ui {

PaletteLine::PaletteLine(QPalette::ColorRole role, QWidget* parent)
    : QWidget(parent)
    , m_role(role) {
    setAttribute(Qt::WA_TransparentForMouseEvents);
    setFocusPolicy(Qt::NoFocus);
}

void PaletteLine::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), color());
}

} // namespace quorvane::ui
