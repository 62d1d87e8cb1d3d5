// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <RtMidi.h>
#include <atomic>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "midiplatform.h"

// An input port of an instrument or another program, reached through RtMidi.
// Every complete short message goes to the given function with MIM_DATA while
// the input is started; a stopped input delivers nothing, and system exclusive
// or other long messages never arrive as data.
class RtMidiInPort final : public MidiInPort {
public:
    // Tells whether the instrument still plays to this port; empty: it does
    // while the port is open.
    using ReachFn = std::function<bool()>;

    // nullptr when the port is gone or its MIDI system cannot start.
    static std::unique_ptr<RtMidiInPort> open(RtMidi::Api api, const std::string& fullName,
                                              const std::string& client, MidiInProc proc,
                                              uintptr_t instance, ReachFn reaches = {});
    ~RtMidiInPort() override;
    void reset() override;
    void start() override;
    void stop() override;
    bool reachesDevice() const override;

private:
    RtMidiInPort(MidiInProc proc, uintptr_t instance);
    // RtMidi's callback: runs on the MIDI system's thread (JACK's real-time
    // thread), so it reads atomics, packs three bytes and calls on; nothing else.
    static void received(double deltaSeconds, std::vector<unsigned char>* message, void* self);

    std::unique_ptr<RtMidiIn> m_in;
    const MidiInProc m_proc;
    const uintptr_t m_instance;
    ReachFn m_reaches;
    std::atomic<bool> m_started{false};
    std::atomic<int64_t> m_startMs{0}; // the time stamps count from the start
};
