#include "AccessibleRole.h"

#include <QAccessibleWidget>
#include <QWidget>

namespace korvex {

namespace {

const char* const roleProperty = "korvexAccessibleRole";

QAccessibleInterface* withRole(const QString&, QObject* object) {
    if (!object || !object->isWidgetType()) {
        return nullptr;
    }
    const QVariant role = object->property(roleProperty);
    if (!role.isValid()) {
        return nullptr; // Qt's own interface
    }
    return new QAccessibleWidget(static_cast<QWidget*>(object),
                                 static_cast<QAccessible::Role>(role.toInt()));
}

} // namespace

void AccessibleRole::set(QWidget* widget, QAccessible::Role role) {
    static const bool installed = (QAccessible::installFactory(withRole), true);
    Q_UNUSED(installed);
    widget->setProperty(roleProperty, static_cast<int>(role));
}

} // namespace korvex
