// SPDX-License-Identifier: GPL-3.0-or-later
#include "pendingoutport.h"

PendingOutPort::PendingOutPort(Opener opener, DeviceThread& thread) {
    thread.post([shared = m_shared, opener = std::move(opener)] {
        std::unique_ptr<MidiOutPort> port = opener();
        if (port && !port->finishOpening())
            port.reset();
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            shared->port = std::move(port);
            shared->done = true;
        }
        shared->over.notify_all();
    });
}

PendingOutPort::~PendingOutPort() {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->over.wait(lock, [this] { return m_shared->done; });
    std::unique_ptr<MidiOutPort> port = std::move(m_shared->port);
    lock.unlock();
    // `port` closes here, on this thread.
}

MidiOutPort* PendingOutPort::opened() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->done ? m_shared->port.get() : nullptr;
}

void PendingOutPort::sendShort(uint32_t message) {
    if (MidiOutPort* port = opened())
        port->sendShort(message);
}

bool PendingOutPort::finishOpening() {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->over.wait(lock, [this] { return m_shared->done; });
    return m_shared->port != nullptr;
}

bool PendingOutPort::stillOpening() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return !m_shared->done;
}

bool PendingOutPort::reachesDevice() const {
    MidiOutPort* port = opened();
    return port ? port->reachesDevice() : stillOpening();
}
