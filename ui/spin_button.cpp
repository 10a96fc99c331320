#include "quorvane/ui/spin_button.h"

#include "spin_button_accessible.h"

#include <QKeyEvent>
#include <QPainter>
#include <QToolButton>

namespace quorvane::ui {

SpinButton::SpinButton(QWidget* parent)
    : QWidget(parent)
    , m_up(makeArrow(Qt::UpArrow, 1))
    , m_down(makeArrow(Qt::DownArrow, -1)) {
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    setFocusPolicy(Qt::StrongFocus);
    SpinButtonAccessible::install();
}

QToolButton* SpinButton::makeArrow(Qt::ArrowType arrow, int steps) {
    auto* button = new QToolButton(this);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, steps] { emit turned(steps); });
    return button;
}

void SpinButton::setState(int value, int minimum, int maximum) {
    m_value = value;
    m_minimum = minimum;
    m_maximum = maximum;
}

QSize SpinButton::sizeHint() const {
    return QSize(17, 22);
}

void SpinButton::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_Up || event->key() == Qt::Key_Down) {
        emit turned(event->key() == Qt::Key_Up ? 1 : -1);
        return;
    }
    QWidget::keyPressEvent(event);
}

void SpinButton::resizeEvent(QResizeEvent*) {
    placeArrows();
}

// The arrows leave a margin for the focus frame while the focus is here.
void SpinButton::placeArrows() {
    const int margin = hasFocus() ? 2 : 0;
    const QRect area = rect().marginsRemoved(QMargins(margin, margin, margin, margin));
    const int upper = area.height() / 2;
    m_up->setGeometry(area.left(), area.top(), area.width(), upper);
    m_down->setGeometry(area.left(), area.top() + upper, area.width(), area.height() - upper);
}

void SpinButton::paintEvent(QPaintEvent*) {
    if (hasFocus()) {
        QPainter(this).fillRect(rect(), palette().color(QPalette::Highlight));
    }
}

void SpinButton::focusInEvent(QFocusEvent* event) {
    placeArrows();
    update();
    QWidget::focusInEvent(event);
}

void SpinButton::focusOutEvent(QFocusEvent* event) {
    placeArrows();
    update();
    QWidget::focusOutEvent(event);
}

} // namespace quorvane::ui
