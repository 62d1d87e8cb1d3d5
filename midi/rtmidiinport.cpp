// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtmidiinport.h"

#include <chrono>

#include "rtmidiports.h"
#include "shortmessage.h"

namespace {
int64_t steadyMs() {
    using namespace std::chrono;
    return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

RtMidiInPort::RtMidiInPort(MidiInProc proc, uintptr_t instance)
    : m_proc(proc), m_instance(instance) {}

RtMidiInPort::~RtMidiInPort() {
    m_started.store(false);
    if (!m_in)
        return;
    try {
        // Closing joins or deactivates the MIDI system's thread: no call comes after.
        m_in->closePort();
        m_in->cancelCallback();
    } catch (const RtMidiError&) {
    }
}

std::unique_ptr<RtMidiInPort> RtMidiInPort::open(RtMidi::Api api, const std::string& fullName,
                                                 const std::string& client, MidiInProc proc,
                                                 uintptr_t instance, ReachFn reaches) {
    if (!proc)
        return nullptr;
    try {
        std::unique_ptr<RtMidiInPort> port(new RtMidiInPort(proc, instance));
        port->m_reaches = std::move(reaches);
        port->m_in = makeQuietIn(api, client);
        if (!port->m_in)
            return nullptr;
        const int number = findPort(*port->m_in, fullName);
        if (number < 0)
            return nullptr;
        // System exclusive, clock and active sensing are dropped by RtMidi itself.
        port->m_in->ignoreTypes(true, true, true);
        port->m_in->setCallback(&RtMidiInPort::received, port.get());
        port->m_in->openPort(static_cast<unsigned>(number), "Eingang");
        if (!port->m_in->isPortOpen())
            return nullptr;
        return port;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

bool RtMidiInPort::reachesDevice() const {
    return m_in && m_in->isPortOpen() && (!m_reaches || m_reaches());
}

void RtMidiInPort::reset() {
    m_started.store(false, std::memory_order_release);
}

void RtMidiInPort::start() {
    m_startMs.store(steadyMs(), std::memory_order_relaxed);
    m_started.store(true, std::memory_order_release);
}

void RtMidiInPort::stop() {
    m_started.store(false, std::memory_order_release);
}

void RtMidiInPort::received(double, std::vector<unsigned char>* message, void* self) {
    auto* port = static_cast<RtMidiInPort*>(self);
    if (!message || !port->m_started.load(std::memory_order_acquire))
        return;
    const std::size_t size = message->size();
    if (size == 0 || size > 3)
        return; // long messages never arrive as short data
    const uint8_t status = (*message)[0];
    if (shortMessageLength(status) != size)
        return; // not one complete short message
    const uint8_t data1 = size > 1 ? (*message)[1] : 0;
    const uint8_t data2 = size > 2 ? (*message)[2] : 0;
    const auto stamp =
        static_cast<uint32_t>(steadyMs() - port->m_startMs.load(std::memory_order_relaxed));
    port->m_proc(port, MIM_DATA, port->m_instance, packShortMessage(status, data1, data2), stamp);
}
