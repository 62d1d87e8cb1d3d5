// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QApplication>
#include <QTimer>
#include <QWidget>
#include <functional>

// Acts once on the next modal dialog as soon as it is up (its own event loop
// runs the timer), so that tests can drive dialogs the program shows with
// exec(). Stops watching when it goes out of scope; seen() tells whether a
// dialog appeared at all.
class ModalDriver {
public:
    explicit ModalDriver(std::function<void(QWidget*)> act) : m_act(std::move(act)) {
        m_timer.setInterval(5);
        QObject::connect(&m_timer, &QTimer::timeout, [this] {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal || !modal->isVisible())
                return;
            m_timer.stop();
            ++m_seen;
            m_act(modal);
        });
        m_timer.start();
    }
    int seen() const { return m_seen; }

private:
    std::function<void(QWidget*)> m_act;
    QTimer m_timer;
    int m_seen = 0;
};
