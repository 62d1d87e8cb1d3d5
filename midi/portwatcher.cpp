// SPDX-License-Identifier: GPL-3.0-or-later
#include "portwatcher.h"

#include <algorithm>

#include "mididevices.h"

PortWatcher::PortWatcher(MidiDevices& devices, QObject* parent)
    : QObject(parent), m_devices(devices), m_keeper(devices, m_clock) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &PortWatcher::check);
    connect(&m_bell, &NewsBell::heard, this, &PortWatcher::settle);
    m_look.setInterval(LookMs);
    connect(&m_look, &QTimer::timeout, this, [this] {
        m_devices.platform().keepWatching();
        // Without the bell no news can reach this thread: the ports are listed once a second.
        if (!m_bell.works() || m_keeper.retryDue())
            check();
    });
}

PortWatcher::~PortWatcher() {
    stop();
}

void PortWatcher::stop() {
    if (!m_watching)
        return;
    m_watching = false;
    m_devices.platform().watchPorts({}); // no news come after this
    m_settle.stop();
    m_look.stop();
}

void PortWatcher::start() {
    if (m_watching)
        return;
    m_watching = true;
    m_keeper.start();
    m_devices.platform().watchPorts([this] { onNews(); });
    m_look.start();
}

void PortWatcher::onNews() {
    // The lists are read on the window's thread once the bell is heard.
    m_bell.ring();
}

void PortWatcher::settle() {
    if (!m_watching)
        return;
    if (!m_settle.isActive())
        m_firstNews.start();
    const qint64 left = MaxWaitMs - m_firstNews.elapsed();
    m_settle.start(int(std::clamp<qint64>(left, 0, SettleMs)));
}

void PortWatcher::check() {
    if (!m_watching)
        return;
    ++m_listings;
    m_keeper.portsChanged();
    if (m_keeper.opening())
        m_settle.start(SettleMs); // a returning output is taken as soon as it is open
}
