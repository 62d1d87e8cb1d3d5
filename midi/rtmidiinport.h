// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <RtMidi.h>
#include <memory>
#include <string>
#include <vector>

#include "inputgate.h"
#include "midiplatform.h"
#include "sequencerexits.h"

// An input port of an instrument or another program, reached through RtMidi
// (the ALSA sequencer). Every complete short message goes to the given
// function with MIM_DATA while the input is started; a stopped input delivers
// nothing, and system exclusive or other long messages never arrive as data.
class RtMidiInPort final : public MidiInPort {
public:
    // nullptr when the port is gone or its MIDI system cannot start. `exits`
    // (the sequencer's, when watched) tells when the port has gone since.
    static std::unique_ptr<RtMidiInPort> open(RtMidi::Api api, const std::string& fullName,
                                              const std::string& client, MidiInProc proc,
                                              uintptr_t instance,
                                              std::shared_ptr<const SequencerExits> exits = {});
    ~RtMidiInPort() override;
    void reset() override { m_gate.stop(); }
    void start() override { m_gate.start(); }
    void stop() override { m_gate.stop(); }
    bool reachesDevice() const override;

private:
    RtMidiInPort(MidiInProc proc, uintptr_t instance) : m_gate(proc, instance) {}
    // RtMidi's callback, on the MIDI system's thread.
    static void received(double deltaSeconds, std::vector<unsigned char>* message, void* self);

    std::unique_ptr<RtMidiIn> m_in;
    InputGate m_gate;
    SequencerLink m_link;
};
