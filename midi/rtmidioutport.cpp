// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtmidioutport.h"

#include "rtmidiports.h"
#include "shortmessage.h"

RtMidiOutPort::RtMidiOutPort(std::unique_ptr<RtMidiOut> out, SequencerLink link)
    : m_out(std::move(out)), m_link(std::move(link)) {}

RtMidiOutPort::~RtMidiOutPort() {
    try {
        m_out->closePort();
    } catch (const RtMidiError&) {
    }
}

std::unique_ptr<RtMidiOutPort> RtMidiOutPort::open(RtMidi::Api api, const std::string& fullName,
                                                   const std::string& client,
                                                   std::shared_ptr<const SequencerExits> exits) {
    try {
        auto out = makeQuietOut(api, client);
        if (!out)
            return nullptr;
        // Marked before the port is looked for: an end told after this cuts it.
        SequencerLink link;
        if (api == RtMidi::LINUX_ALSA)
            link = SequencerLink(std::move(exits), fullName);
        const int number = findPort(*out, fullName);
        if (number < 0)
            return nullptr;
        out->openPort(static_cast<unsigned>(number), "Ausgang");
        if (!out->isPortOpen())
            return nullptr;
        return std::unique_ptr<RtMidiOutPort>(new RtMidiOutPort(std::move(out), std::move(link)));
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

void RtMidiOutPort::sendShort(uint32_t message) {
    uint8_t bytes[3];
    unpackShortMessage(message, bytes);
    const std::size_t length = shortMessageLength(bytes[0]);
    if (length == 0)
        return;
    try {
        m_out->sendMessage(bytes, length);
    } catch (const RtMidiError&) {
        // a vanished port: the message goes nowhere
    }
}
