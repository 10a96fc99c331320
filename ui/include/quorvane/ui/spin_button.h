#pragma once

#include <QWidget>

class QToolButton;

namespace quorvane::ui {

// A stand-alone pair of up and down arrows. It only announces turns: an
// arrow clicked (repeating while held), Up or Down while it has the focus, or
// an assistive tool's increase and decrease. What it counts is shown by the
// box its owner writes; the value and range it is given serve assistive
// tools. A frame in the highlight colour shows that it has the focus.
class SpinButton final : public QWidget {
    Q_OBJECT

public:
    explicit SpinButton(QWidget* parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }
    // Shows a value and range; announces nothing.
    void setState(int value, int minimum, int maximum);

    QSize sizeHint() const override;

signals:
    // The user turned the spinner by `steps` (negative: down).
    void turned(int steps);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    QToolButton* makeArrow(Qt::ArrowType arrow, int steps);
    void placeArrows();

    QToolButton* m_up;
    QToolButton* m_down;
    int m_minimum = 0;
    int m_maximum = 10;
    int m_value = 0;
};

} // namespace quorvane::ui
