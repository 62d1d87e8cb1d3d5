// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtmidiinport.h"

#include "rtmidiports.h"

RtMidiInPort::~RtMidiInPort() {
    m_gate.stop();
    if (!m_in)
        return;
    try {
        // Closing joins the MIDI system's thread: no call comes after.
        m_in->closePort();
        m_in->cancelCallback();
    } catch (const RtMidiError&) {
    }
}

std::unique_ptr<RtMidiInPort> RtMidiInPort::open(RtMidi::Api api, const std::string& fullName,
                                                 const std::string& client, MidiInProc proc,
                                                 uintptr_t instance,
                                                 std::shared_ptr<const SequencerExits> exits) {
    if (!proc)
        return nullptr;
    try {
        std::unique_ptr<RtMidiInPort> port(new RtMidiInPort(proc, instance));
        port->m_in = makeQuietIn(api, client);
        if (!port->m_in)
            return nullptr;
        // Marked before the port is looked for: an end told after this cuts it.
        if (api == RtMidi::LINUX_ALSA)
            port->m_link = SequencerLink(std::move(exits), fullName);
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
    // RtMidi calls the port open after its device has gone.
    return m_in && m_in->isPortOpen() && !m_link.cut();
}

void RtMidiInPort::received(double, std::vector<unsigned char>* message, void* self) {
    if (!message)
        return;
    auto* port = static_cast<RtMidiInPort*>(self);
    port->m_gate.pass(port, message->data(), message->size());
}
