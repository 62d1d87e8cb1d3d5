// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QObject>

class QSocketNotifier;

// A bell any thread may ring and the window's thread hears: an eventfd the
// window's event loop watches. Rings that come while the bell is not yet
// heard are heard once. Ringing neither allocates nor locks, so it is safe
// from a MIDI system's callback thread, and the hand-over is one the race
// checker can see (a write and a read of the same descriptor).
class NewsBell final : public QObject {
    Q_OBJECT
public:
    explicit NewsBell(QObject* parent = nullptr);
    ~NewsBell() override;

    void ring(); // any thread
    // False when the bell could not be made (no descriptors left): it is never heard.
    bool works() const { return m_fd >= 0; }

signals:
    // On the bell's thread, once for any number of rings since the last.
    void heard();

private:
    void hear();

    int m_fd = -1;
    QSocketNotifier* m_notifier = nullptr;
};
