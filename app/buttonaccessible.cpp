// SPDX-License-Identifier: GPL-3.0-or-later
#include "buttonaccessible.h"

#include <QCheckBox>
#include <QKeySequence>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOptionButton>
#include <QToolButton>

namespace {
// "&Ende" is read "Ende"; "&&" stands for one ampersand.
QString stripAmpersands(const QString& text) {
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u'&') {
            if (i + 1 >= text.size())
                break;
            ++i;
        }
        out += text[i];
    }
    return out;
}

// The key the underlined letter gives ("Alt+E" for "&Ende"), or nothing.
QString hotKey(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i) {
        if (text[i] != u'&')
            continue;
        if (text[i + 1] != u'&')
            return QKeySequence(Qt::ALT).toString(QKeySequence::NativeText) + text[i + 1].toUpper();
        ++i;
    }
    return {};
}

// The check box's and radio button's own style options, as they paint with.
struct CheckBoxOptions : QCheckBox {
    using QCheckBox::initStyleOption;
};
struct RadioButtonOptions : QRadioButton {
    using QRadioButton::initStyleOption;
};
} // namespace

ButtonAccessible::ButtonAccessible(QAbstractButton* button, QAccessible::Role role)
    : QAccessibleWidget(button, role) {
    if (button->isCheckable())
        addControllingSignal(QStringLiteral("toggled(bool)"));
    else
        addControllingSignal(QStringLiteral("clicked()"));
}

QAccessibleInterface* ButtonAccessible::factory(const QString& className, QObject* object) {
    auto* button = qobject_cast<QAbstractButton*>(object);
    if (!button || !button->isWidgetType() || qobject_cast<QToolButton*>(object))
        return nullptr;
    if (className == QLatin1String("QCheckBox"))
        return new ButtonAccessible(button, QAccessible::CheckBox);
    if (className == QLatin1String("QRadioButton"))
        return new ButtonAccessible(button, QAccessible::RadioButton);
    if (className == QLatin1String("QPushButton")) {
        auto* push = static_cast<QPushButton*>(button);
        return new ButtonAccessible(button, push->menu() ? QAccessible::ButtonMenu
                                                         : QAccessible::PushButton);
    }
    if (className == QLatin1String("QAbstractButton"))
        return new ButtonAccessible(button, QAccessible::Button);
    return nullptr;
}

void ButtonAccessible::install() {
    QAccessible::installFactory(&ButtonAccessible::factory);
}

QAbstractButton* ButtonAccessible::button() const {
    return static_cast<QAbstractButton*>(object());
}

QString ButtonAccessible::text(QAccessible::Text t) const {
    QString str;
    switch (t) {
    case QAccessible::Accelerator: {
        auto* push = qobject_cast<QPushButton*>(object());
        if (push && push->isDefault())
            str = QKeySequence(Qt::Key_Enter).toString(QKeySequence::NativeText);
        if (str.isEmpty())
            str = hotKey(button()->text());
        break;
    }
    case QAccessible::Name:
        str = widget()->accessibleName();
        if (str.isEmpty())
            str = stripAmpersands(button()->text());
        break;
    default:
        break;
    }
    if (str.isEmpty())
        str = QAccessibleWidget::text(t);
    return str;
}

QAccessible::State ButtonAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    QAbstractButton* b = button();
    if (b->isCheckable())
        state.checkable = true;
    if (b->isChecked())
        state.checked = true;
    auto* box = qobject_cast<QCheckBox*>(b);
    if (box && box->checkState() == Qt::PartiallyChecked)
        state.checkStateMixed = true;
    if (b->isDown())
        state.pressed = true;
    if (auto* push = qobject_cast<QPushButton*>(b)) {
        if (push->isDefault())
            state.defaultButton = true;
        if (push->menu())
            state.hasPopup = true;
    }
    return state;
}

QRect ButtonAccessible::rect() const {
    QAbstractButton* b = button();
    if (!b->isVisible())
        return {};
    // A check box or radio button takes a click only on its mark and text:
    // that is the place a pointer is sent to.
    QStyleOptionButton option;
    if (auto* box = qobject_cast<QCheckBox*>(b)) {
        void (QCheckBox::*init)(QStyleOptionButton*) const = &CheckBoxOptions::initStyleOption;
        (box->*init)(&option);
        return box->style()
            ->subElementRect(QStyle::SE_CheckBoxClickRect, &option, box)
            .translated(box->mapToGlobal(QPoint(0, 0)));
    }
    if (auto* radio = qobject_cast<QRadioButton*>(b)) {
        void (QRadioButton::*init)(QStyleOptionButton*) const =
            &RadioButtonOptions::initStyleOption;
        (radio->*init)(&option);
        return radio->style()
            ->subElementRect(QStyle::SE_RadioButtonClickRect, &option, radio)
            .translated(radio->mapToGlobal(QPoint(0, 0)));
    }
    return QAccessibleWidget::rect();
}

QStringList ButtonAccessible::actionNames() const {
    QStringList names;
    if (widget()->isEnabled()) {
        if (role() == QAccessible::ButtonMenu)
            names << showMenuAction();
        else if (role() == QAccessible::RadioButton || button()->isCheckable())
            names << toggleAction();
        else
            names << pressAction();
    }
    names << QAccessibleWidget::actionNames();
    return names;
}

void ButtonAccessible::doAction(const QString& actionName) {
    if (!widget()->isEnabled())
        return;
    if (actionName == toggleAction()) {
        // Exactly what a click gives, a click on the chosen radio button too.
        button()->click();
    } else if (actionName == pressAction() || actionName == showMenuAction()) {
        auto* push = qobject_cast<QPushButton*>(object());
        if (push && push->menu())
            push->showMenu();
        else
            button()->animateClick(); // the click comes a moment later, as Qt's own
    } else {
        QAccessibleWidget::doAction(actionName);
    }
}

QStringList ButtonAccessible::keyBindingsForAction(const QString& actionName) const {
    if (actionName == pressAction())
        return {button()->shortcut().toString()};
    return {};
}
