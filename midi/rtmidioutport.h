// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <RtMidi.h>
#include <memory>
#include <string>

#include "midiplatform.h"
#include "sequencerexits.h"

// An output port of another program or an instrument, reached through RtMidi.
// When the port goes away while open, sending does nothing.
class RtMidiOutPort final : public MidiOutPort {
public:
    // nullptr when the port is gone or its MIDI system cannot start.
    // `exits` (the sequencer's, when watched) tells when the port has gone since.
    static std::unique_ptr<RtMidiOutPort> open(RtMidi::Api api, const std::string& fullName,
                                               const std::string& client,
                                               std::shared_ptr<const SequencerExits> exits = {});
    ~RtMidiOutPort() override;
    void sendShort(uint32_t message) override;
    bool reachesDevice() const override { return !m_link.cut(); }

private:
    RtMidiOutPort(std::unique_ptr<RtMidiOut> out, SequencerLink link);
    std::unique_ptr<RtMidiOut> m_out;
    SequencerLink m_link;
};
