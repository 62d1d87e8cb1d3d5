// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>

class QSocketNotifier;

// Turns SIGTERM, SIGINT and SIGHUP (a plain kill, Ctrl+C, the end of the
// session) into a Qt signal on the window's thread, so the window can end the
// normal way and its teardown saves the best list.
class SignalBridge : public QObject {
    Q_OBJECT
public:
    explicit SignalBridge(QObject* parent = nullptr);
    ~SignalBridge() override;

signals:
    void terminationRequested();

private:
    void onReadable();
    QSocketNotifier* m_notifier = nullptr;
};
