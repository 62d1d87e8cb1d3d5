// SPDX-License-Identifier: GPL-3.0-or-later
#include "inputgate.h"

#include <chrono>

#include "shortmessage.h"

namespace {
int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

// Time code, clock and active sensing come many times a second from some
// keyboards and say nothing a pupil played.
bool isTiming(uint8_t status) {
    return status == 0xF1 || status == 0xF8 || status == 0xFE;
}
} // namespace

void InputGate::start() {
    m_startMs.store(steadyMs(), std::memory_order_relaxed);
    m_started.store(true, std::memory_order_release);
}

void InputGate::pass(MidiInPort* port, const uint8_t* bytes, std::size_t size) const {
    if (!m_proc || !bytes || size == 0 || size > 3 ||
        !m_started.load(std::memory_order_acquire))
        return;
    const uint8_t status = bytes[0];
    if (isTiming(status) || shortMessageLength(status) != size)
        return; // long messages never arrive as short data
    const uint8_t data1 = size > 1 ? bytes[1] : 0;
    const uint8_t data2 = size > 2 ? bytes[2] : 0;
    const auto stamp = static_cast<uint32_t>(steadyMs() - m_startMs.load(std::memory_order_relaxed));
    m_proc(port, MIM_DATA, m_instance, packShortMessage(status, data1, data2), stamp);
}
