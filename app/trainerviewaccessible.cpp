// SPDX-License-Identifier: GPL-3.0-or-later
#include "trainerviewaccessible.h"

#include <QWidget>

TrainerViewAccessible::TrainerViewAccessible(QWidget* view, const ViewDescriber& describer)
    : QAccessibleWidget(view, QAccessible::Canvas), m_describer(describer) {}

QAccessibleInterface* TrainerViewAccessible::factory(const QString& className, QObject* object) {
    if (className != QLatin1String("QWidget") || !object->isWidgetType())
        return nullptr;
    auto* view = static_cast<QWidget*>(object);
    const auto* describer = dynamic_cast<const ViewDescriber*>(view->parentWidget());
    if (!describer || describer->describedView() != view)
        return nullptr;
    return new TrainerViewAccessible(view, *describer);
}

QString TrainerViewAccessible::text(QAccessible::Text t) const {
    switch (t) {
    case QAccessible::Name:
        return QStringLiteral("Notenbild");
    case QAccessible::Description:
        return m_describer.viewDescription();
    default:
        return QAccessibleWidget::text(t);
    }
}

int TrainerViewAccessible::childCount() const {
    return int(m_describer.viewHeralds().size());
}

QAccessibleInterface* TrainerViewAccessible::child(int index) const {
    const QObjectList heralds = m_describer.viewHeralds();
    return index >= 0 && index < heralds.size()
               ? QAccessible::queryAccessibleInterface(heralds[index])
               : nullptr;
}

int TrainerViewAccessible::indexOfChild(const QAccessibleInterface* child) const {
    return child ? int(m_describer.viewHeralds().indexOf(child->object())) : -1;
}
