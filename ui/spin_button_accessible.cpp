#include "spin_button_accessible.h"

#include "quorvane/ui/spin_button.h"

namespace quorvane::ui {
namespace {

QAccessibleInterface* spinButtonFactory(const QString&, QObject* object) {
    if (auto* spinner = qobject_cast<SpinButton*>(object)) {
        return new SpinButtonAccessible(spinner);
    }
    return nullptr;
}

} // namespace

SpinButtonAccessible::SpinButtonAccessible(SpinButton* spinner)
    : QAccessibleWidget(spinner, QAccessible::SpinBox) {}

void SpinButtonAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(spinButtonFactory);
        return true;
    }();
    Q_UNUSED(installed);
}

SpinButton* SpinButtonAccessible::spinner() const {
    return static_cast<SpinButton*>(widget());
}

void* SpinButtonAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::ValueInterface) {
        return static_cast<QAccessibleValueInterface*>(this);
    }
    return QAccessibleWidget::interface_cast(type);
}

QStringList SpinButtonAccessible::actionNames() const {
    return QAccessibleWidget::actionNames() << QAccessibleActionInterface::increaseAction()
                                            << QAccessibleActionInterface::decreaseAction();
}

void SpinButtonAccessible::doAction(const QString& actionName) {
    if (!spinner()->isEnabled()) {
        return;
    }
    if (actionName == QAccessibleActionInterface::increaseAction()) {
        emit spinner()->turned(1);
    } else if (actionName == QAccessibleActionInterface::decreaseAction()) {
        emit spinner()->turned(-1);
    } else {
        QAccessibleWidget::doAction(actionName);
    }
}

QVariant SpinButtonAccessible::currentValue() const {
    return spinner()->value();
}

// A value set by a tool is reached by turns, as a person would turn it.
void SpinButtonAccessible::setCurrentValue(const QVariant& value) {
    if (spinner()->isEnabled()) {
        emit spinner()->turned(value.toInt() - spinner()->value());
    }
}

QVariant SpinButtonAccessible::maximumValue() const {
    return spinner()->maximum();
}

QVariant SpinButtonAccessible::minimumValue() const {
    return spinner()->minimum();
}

QVariant SpinButtonAccessible::minimumStepSize() const {
    return 1;
}

} // namespace quorvane::ui
