#include "AssistiveTools.h"

#include <QAccessibleWidget>
#include <QApplication>

#include "Memo.h"

namespace orvane::ui {

void AssistiveTools::Follow() {
    listening_ = QAccessible::isActive();
    QAccessible::installFactory(ListBoxInterface);
    static AssistiveTools observer;
    QAccessible::installActivationObserver(&observer);
}

void AssistiveTools::accessibilityActiveChanged(bool active) {
    listening_ = active;
    // The interfaces made so far go; the next question makes the right kind.
    for (QWidget* widget : QApplication::allWidgets()) {
        if (qobject_cast<TMemo*>(widget) != nullptr)
            QAccessible::deleteAccessibleInterface(QAccessible::uniqueId(QAccessible::queryAccessibleInterface(widget)));
    }
}

QAccessibleInterface* AssistiveTools::ListBoxInterface(const QString& className, QObject* object) {
    if (listening_ || className != QLatin1String(TMemo::staticMetaObject.className())) return nullptr;
    return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::EditableText);
}

}  // namespace orvane::ui
