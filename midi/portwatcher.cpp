// SPDX-License-Identifier: GPL-3.0-or-later
#include "portwatcher.h"

#include "mididevices.h"

PortWatcher::PortWatcher(MidiDevices& devices, QObject* parent)
    : QObject(parent), m_devices(devices), m_keeper(devices) {
    m_settle.setSingleShot(true);
    m_settle.setInterval(SettleMs);
    connect(&m_settle, &QTimer::timeout, this, &PortWatcher::check);
    m_look.setInterval(LookMs);
    connect(&m_look, &QTimer::timeout, this, [this] { m_devices.platform().keepWatching(); });
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
    // One event on its way is enough: the lists are read when it arrives.
    if (m_posted.exchange(true, std::memory_order_acq_rel))
        return;
    QMetaObject::invokeMethod(
        this,
        [this] {
            m_posted.store(false, std::memory_order_release);
            m_settle.start();
        },
        Qt::QueuedConnection);
}

void PortWatcher::check() {
    if (!m_watching)
        return;
    ++m_listings;
    m_keeper.portsChanged();
    emit devicesChecked();
}
