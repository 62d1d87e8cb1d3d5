// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAccessibleWidget>

class QAbstractButton;

// What a screen reader sees of a push button, check box or radio button:
// the same name, role, states and place as Qt's own, but choosing the button
// through the accessibility bus (Toggle or Press) clicks it. Qt's own toggles
// a check box or radio button without a click, and the window listens for
// clicks: the box would show a choice the game had not taken.
class ButtonAccessible : public QAccessibleWidget {
public:
    ButtonAccessible(QAbstractButton* button, QAccessible::Role role);

    // For QAccessible::installFactory: every QAbstractButton but a tool button.
    static QAccessibleInterface* factory(const QString& className, QObject* object);
    // Done once, before the first window, by the application.
    static void install();

    QString text(QAccessible::Text t) const override;
    QAccessible::State state() const override;
    QRect rect() const override;
    QStringList actionNames() const override;
    void doAction(const QString& actionName) override;
    QStringList keyBindingsForAction(const QString& actionName) const override;

private:
    QAbstractButton* button() const;
};
