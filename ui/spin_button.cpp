#include "quorvane/ui/spin_button.h"

#include <QKeyEvent>
#include <QToolButton>

#include <algorithm>

namespace quorvane::ui {

SpinButton::SpinButton(QWidget* parent)
    : QWidget(parent)
    , m_up(makeArrow(Qt::UpArrow, 1))
    , m_down(makeArrow(Qt::DownArrow, -1)) {
    m_up->setObjectName(QStringLiteral("up"));
    m_down->setObjectName(QStringLiteral("down"));
    setFocusPolicy(Qt::StrongFocus);
}

QToolButton* SpinButton::makeArrow(Qt::ArrowType arrow, int steps) {
    auto* button = new QToolButton(this);
    button->setArrowType(arrow);
    button->setAutoRepeat(true);
    button->setFocusPolicy(Qt::NoFocus);
    connect(button, &QToolButton::clicked, this, [this, steps] { stepBy(steps); });
    return button;
}

void SpinButton::setMinimum(int minimum) {
    m_minimum = minimum;
    m_maximum = std::max(m_maximum, minimum);
    setValue(m_value);
}

void SpinButton::setMaximum(int maximum) {
    m_maximum = maximum;
    m_minimum = std::min(m_minimum, maximum);
    setValue(m_value);
}

void SpinButton::setValue(int value) {
    const int clamped = std::clamp(value, m_minimum, m_maximum);
    if (clamped == m_value) {
        return;
    }
    m_value = clamped;
    writeBuddy();
    emit valueChanged(m_value);
}

void SpinButton::setBuddy(QLineEdit* box) {
    m_buddy = box;
}

void SpinButton::stepBy(int steps) {
    // Agree with the box first, silently: only the step itself is a change.
    m_value = startValue();
    setValue(m_value + steps);
}

int SpinButton::startValue() const {
    if (m_buddy) {
        bool ok = false;
        const int shown = m_buddy->text().trimmed().toInt(&ok);
        if (ok) {
            return std::clamp(shown, m_minimum, m_maximum);
        }
    }
    return m_value;
}

void SpinButton::writeBuddy() {
    if (!m_buddy) {
        return;
    }
    const QString text = QString::number(m_value);
    if (m_buddy->text() != text) {
        m_buddy->setText(text);
    }
}

QSize SpinButton::sizeHint() const {
    return QSize(17, 22);
}

void SpinButton::keyPressEvent(QKeyEvent* event) {
    switch (event->key()) {
    case Qt::Key_Up:
        stepBy(1);
        break;
    case Qt::Key_Down:
        stepBy(-1);
        break;
    default:
        QWidget::keyPressEvent(event);
    }
}

void SpinButton::resizeEvent(QResizeEvent*) {
    const int upper = height() / 2;
    m_up->setGeometry(0, 0, width(), upper);
    m_down->setGeometry(0, upper, width(), height() - upper);
}

} // namespace quorvane::ui
