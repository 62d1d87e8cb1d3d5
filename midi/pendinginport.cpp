// SPDX-License-Identifier: GPL-3.0-or-later
#include "pendinginport.h"

PendingInPort::PendingInPort(Opener opener, DeviceThread& thread) {
    thread.post([shared = m_shared, opener = std::move(opener)] {
        bool started = false;
        int calls = 0;
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            started = shared->last == Call::Start;
            calls = shared->calls;
        }
        // Started from its connection on, when the round runs: a note played
        // at once is not lost between connecting and starting.
        std::unique_ptr<MidiInPort> port = opener(started);
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            if (port && shared->calls != calls)
                apply(*port, shared->last); // called meanwhile
            shared->port = std::move(port);
            shared->done = true;
        }
        shared->opened.notify_all();
    });
}

PendingInPort::~PendingInPort() {
    std::unique_lock<std::mutex> lock(m_shared->mutex);
    m_shared->opened.wait(lock, [this] { return m_shared->done; });
    std::unique_ptr<MidiInPort> port = std::move(m_shared->port);
    lock.unlock();
    // `port` closes here, on this thread.
}

void PendingInPort::apply(MidiInPort& port, Call what) {
    switch (what) {
    case Call::Reset:
        port.reset();
        break;
    case Call::Start:
        port.start();
        break;
    case Call::Stop:
        port.stop();
        break;
    case Call::None:
        break;
    }
}

void PendingInPort::call(Call what) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->port) {
        apply(*m_shared->port, what);
    } else {
        m_shared->last = what;
        ++m_shared->calls;
    }
}

void PendingInPort::reset() {
    call(Call::Reset);
}

void PendingInPort::start() {
    call(Call::Start);
}

void PendingInPort::stop() {
    call(Call::Stop);
}

void PendingInPort::outputSent(uint32_t message) {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (m_shared->port)
        m_shared->port->outputSent(message);
}

bool PendingInPort::wantsSilence() {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->port && m_shared->port->wantsSilence();
}

TakenAnswer PendingInPort::latestAnswer() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    return m_shared->port ? m_shared->port->latestAnswer() : TakenAnswer{};
}

bool PendingInPort::reachesDevice() const {
    std::lock_guard<std::mutex> lock(m_shared->mutex);
    if (!m_shared->done)
        return true;
    return m_shared->port && m_shared->port->reachesDevice();
}
