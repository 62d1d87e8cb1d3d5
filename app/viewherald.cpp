// SPDX-License-Identifier: GPL-3.0-or-later
#include "viewherald.h"

#include <QAccessibleObject>

namespace {
class HeraldAccessible : public QAccessibleObject {
public:
    explicit HeraldAccessible(ViewHerald* herald) : QAccessibleObject(herald) {}
    ViewHerald* herald() const { return static_cast<ViewHerald*>(object()); }

    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(herald()->view());
    }
    int childCount() const override { return 0; }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QString text(QAccessible::Text t) const override {
        return t == QAccessible::Name ? herald()->text() : QString();
    }
    QAccessible::Role role() const override { return QAccessible::Notification; }
    QAccessible::State state() const override { return {}; }
};
} // namespace

ViewHerald::ViewHerald(QObject* view) : QObject(view) {}

void ViewHerald::say(const QString& text) {
    // A screen reader keeps the names it has read: it learns the new one
    // first (and does not speak it: this messenger never has the focus).
    if (text != m_text) {
        m_text = text;
        QAccessibleEvent renamed(this, QAccessible::NameChanged);
        QAccessible::updateAccessibility(&renamed);
    }
    // Shown for every message, also the same one twice: each showing is
    // spoken once.
    QAccessibleEvent shown(this, QAccessible::ObjectShow);
    QAccessible::updateAccessibility(&shown);
}

QAccessibleInterface* ViewHerald::factory(const QString& className, QObject* object) {
    if (className != QLatin1String("ViewHerald"))
        return nullptr;
    return new HeraldAccessible(static_cast<ViewHerald*>(object));
}
