// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QTimer>

#include "devicekeeper.h"
#include "newsbell.h"
#include "steadyclock.h"

class MidiDevices;

// Brings the MIDI system's news of ports that come and go to the window's
// thread and lets the device keeper act on them there. The MIDI system's
// threads only ring a bell (any number of rings is heard once); the lists
// are read a moment later, once a burst of news (a client with several
// ports) is over. Nothing of it runs on the window's timers.
class PortWatcher final : public QObject {
    Q_OBJECT
public:
    // How long news settle before the ports are listed; a steady stream of
    // news has the ports listed at the latest this long after its first.
    static constexpr int SettleMs = 30;
    static constexpr int MaxWaitMs = 250;
    // How often a MIDI system that was not running is looked for, and a lost
    // device that failed to open is tried again when its wait is over (and,
    // when the bell could not be made, how often the ports are listed).
    static constexpr int LookMs = 1000;

    explicit PortWatcher(MidiDevices& devices, QObject* parent = nullptr);
    ~PortWatcher() override; // ends the watching before anything of it goes

    // Starts watching; the devices are open by now.
    void start();
    // Ends watching: news still on their way are let go.
    void stop();
    // How often the ports have been listed since the start (benchmarks, tests).
    int listings() const { return m_listings; }

private:
    void onNews(); // any thread
    void settle();
    void check();

    MidiDevices& m_devices;
    SteadyClock m_clock;
    DeviceKeeper m_keeper;
    QTimer m_settle;
    QElapsedTimer m_firstNews; // since the first news the settle timer waits for
    QTimer m_look;
    NewsBell m_bell;
    bool m_watching = false;
    int m_listings = 0;
};
