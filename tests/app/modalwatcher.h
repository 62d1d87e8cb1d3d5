// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QApplication>
#include <QDialog>
#include <QStringList>
#include <QTimer>

// Closes every modal window that opens while it lives, as a person pressing
// Escape would, and remembers the titles in the order they appeared.
class ModalWatcher : public QObject {
public:
    QStringList titles;

    ModalWatcher() {
        m_timer.setInterval(10);
        QObject::connect(&m_timer, &QTimer::timeout, this, [this] {
            if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget())) {
                titles << dialog->windowTitle();
                dialog->reject();
            }
        });
        m_timer.start();
    }

private:
    QTimer m_timer;
};
