#pragma once

#include <QAccessibleWidget>

namespace quorvane::ui {

class SpinButton;

// What assistive tools see of a SpinButton: a spin box with its value and
// range, and increase and decrease actions that turn it as the arrows do.
class SpinButtonAccessible final : public QAccessibleWidget, public QAccessibleValueInterface {
public:
    explicit SpinButtonAccessible(SpinButton* spinner);

    // Registers the factory once per process.
    static void install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;

    QVariant currentValue() const override;
    void setCurrentValue(const QVariant& value) override;
    QVariant maximumValue() const override;
    QVariant minimumValue() const override;
    QVariant minimumStepSize() const override;

private:
    SpinButton* spinner() const;
};

} // namespace quorvane::ui
