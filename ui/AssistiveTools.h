// Whether an assistive tool listens to the list boxes: see the comment at
// kEditsAhead in Memo.cpp for why the boxes care.
#pragma once

#include <QAccessible>

namespace orvane::ui {

class AssistiveTools : public QAccessible::ActivationObserver {
public:
    static bool Listening() { return listening_; }
    // From now on the list boxes answer Qt with a plain interface until a tool listens.
    static void Follow();
    void accessibilityActiveChanged(bool active) override;

private:
    static QAccessibleInterface* ListBoxInterface(const QString& className, QObject* object);

    static inline bool listening_ = false;
};

}  // namespace orvane::ui
