// SPDX-License-Identifier: GPL-3.0-or-later
#include "deferredsynthport.h"

DeferredSynthPort::DeferredSynthPort(Opener opener) : m_opener(std::move(opener)) {}

DeferredSynthPort::~DeferredSynthPort() {
    if (m_starter.joinable())
        m_starter.join();
}

void DeferredSynthPort::sendShort(uint32_t message) {
    if (MidiOutPort* synth = m_ready.load(std::memory_order_acquire)) {
        synth->sendShort(message);
        return;
    }
    std::unique_lock<std::mutex> lock(m_mutex);
    if (MidiOutPort* synth = m_ready.load(std::memory_order_acquire)) {
        // Made just now: every message kept before this one has been played.
        lock.unlock();
        synth->sendShort(message);
        return;
    }
    if (!m_failed)
        m_waiting.keep(message);
}

bool DeferredSynthPort::finishOpening() {
    if (!m_started) {
        m_started = true;
        open();
    } else if (m_starter.joinable()) {
        m_starter.join();
    }
    return m_ready.load(std::memory_order_acquire) != nullptr;
}

void DeferredSynthPort::startOpening() {
    if (m_started)
        return;
    m_started = true;
    m_starter = std::thread([this] { open(); });
}

void DeferredSynthPort::open() {
    // Made without the lock: messages sent meanwhile are kept, not held up.
    std::unique_ptr<MidiOutPort> synth = m_opener ? m_opener() : nullptr;
    std::lock_guard<std::mutex> lock(m_mutex);
    if (!synth) {
        m_failed = true;
        m_waiting.drop();
        return;
    }
    m_waiting.handOn([&synth](uint32_t message) { synth->sendShort(message); });
    m_synth = std::move(synth);
    m_ready.store(m_synth.get(), std::memory_order_release);
}
