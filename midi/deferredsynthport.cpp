// SPDX-License-Identifier: GPL-3.0-or-later
#include "deferredsynthport.h"

DeferredSynthPort::DeferredSynthPort(Opener opener, std::shared_ptr<DeviceThread> thread)
    : m_thread(std::move(thread)) {
    m_shared->opener = std::move(opener);
}

DeferredSynthPort::~DeferredSynthPort() {
    if (!m_started)
        return;
    // After its making, in turn: the synthesizer is closed where it was made.
    m_thread->post([shared = m_shared] {
        std::unique_ptr<MidiOutPort> synth;
        {
            std::lock_guard<std::mutex> lock(shared->mutex);
            synth = std::move(shared->synth);
        }
    });
}

void DeferredSynthPort::sendShort(uint32_t message) {
    Shared& s = *m_shared;
    if (MidiOutPort* synth = s.ready.load(std::memory_order_acquire)) {
        synth->sendShort(message);
        return;
    }
    std::unique_lock<std::mutex> lock(s.mutex);
    if (MidiOutPort* synth = s.ready.load(std::memory_order_acquire)) {
        // Made just now: every message kept before this one has been played.
        lock.unlock();
        synth->sendShort(message);
        return;
    }
    if (!s.done)
        s.waiting.keep(message);
}

bool DeferredSynthPort::finishOpening() {
    startOpening();
    Shared& s = *m_shared;
    std::unique_lock<std::mutex> lock(s.mutex);
    s.made.wait(lock, [&s] { return s.done; });
    return s.synth != nullptr;
}

void DeferredSynthPort::startOpening() {
    if (m_started)
        return;
    m_started = true;
    m_thread->post([shared = m_shared] { shared->open(); });
}

void DeferredSynthPort::Shared::open() {
    // Made without the lock: messages sent meanwhile are kept, not held up.
    std::unique_ptr<MidiOutPort> fresh = opener ? opener() : nullptr;
    {
        std::lock_guard<std::mutex> lock(mutex);
        if (fresh) {
            waiting.handOn([&fresh](uint32_t message) { fresh->sendShort(message); });
            synth = std::move(fresh);
            ready.store(synth.get(), std::memory_order_release);
        } else {
            waiting.drop();
        }
        done = true;
    }
    made.notify_all();
}
