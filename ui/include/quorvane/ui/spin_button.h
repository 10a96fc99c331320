#pragma once

#include <QLineEdit>
#include <QPointer>
#include <QWidget>

class QToolButton;

namespace quorvane::ui {

// A stand-alone pair of up and down arrows that steps an integer within a
// range and writes it into a bound text box. The arrows repeat while held;
// Up and Down keys step while the spinner has the focus. The value never
// leaves the range and does not wrap.
class SpinButton final : public QWidget {
    Q_OBJECT

public:
    explicit SpinButton(QWidget* parent = nullptr);

    int minimum() const { return m_minimum; }
    int maximum() const { return m_maximum; }
    int value() const { return m_value; }

    // Changing the range pulls the value into it.
    void setMinimum(int minimum);
    void setMaximum(int maximum);
    // Clamps to the range; a new value is written to the box and announced.
    void setValue(int value);

    // The box that shows the value. Its text is written only when it differs
    // from the value's decimal text, so the box reports real changes only.
    void setBuddy(QLineEdit* box);
    QLineEdit* buddy() const { return m_buddy; }

    // Moves by `steps` from the number the box shows (it may have been
    // written directly), or from the value when the box holds no number.
    void stepBy(int steps);

    QSize sizeHint() const override;

signals:
    // The value changed: by an arrow, a key, or the program.
    void valueChanged(int value);

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    QToolButton* makeArrow(Qt::ArrowType arrow, int steps);
    int startValue() const;
    void writeBuddy();

    QToolButton* m_up;
    QToolButton* m_down;
    QPointer<QLineEdit> m_buddy;
    int m_minimum = 0;
    int m_maximum = 10;
    int m_value = 0;
};

} // namespace quorvane::ui
