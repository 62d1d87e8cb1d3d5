// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QAccessibleWidget>
#include <QObjectList>
#include <QString>

// The window that owns the trainer view says what the view shows.
class ViewDescriber {
public:
    virtual ~ViewDescriber() = default;
    virtual const QWidget* describedView() const = 0;
    virtual QString viewDescription() const = 0;
    virtual QObjectList viewHeralds() const = 0; // the view's accessible children
};

// What a screen reader reads of the trainer view: "Notenbild", and as its
// description the points, the round's state and the cell under the keyboard's
// cue, read from the window whenever asked, so it is never out of date; its
// children tell what just happened.
class TrainerViewAccessible : public QAccessibleWidget {
public:
    TrainerViewAccessible(QWidget* view, const ViewDescriber& describer);

    // For QAccessible::installFactory: the view of a ViewDescriber's window.
    static QAccessibleInterface* factory(const QString& className, QObject* object);

    QString text(QAccessible::Text t) const override;
    int childCount() const override;
    QAccessibleInterface* child(int index) const override;
    int indexOfChild(const QAccessibleInterface* child) const override;

private:
    const ViewDescriber& m_describer;
};
