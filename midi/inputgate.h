// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstddef>
#include <cstdint>

#include "midiplatform.h"

// What an input port lets through to the program: while started, every
// complete short message goes to the port's function with MIM_DATA and a time
// stamp in milliseconds since the start. System exclusive, time code, clock
// and active sensing never pass, nor does anything that is not one whole
// short message. Safe to call from the MIDI system's real-time thread: it
// reads atomics, packs three bytes and calls on; nothing else.
class InputGate {
public:
    InputGate(MidiInProc proc, uintptr_t instance) : m_proc(proc), m_instance(instance) {}

    void start();
    void stop() { m_started.store(false, std::memory_order_release); }

    void pass(MidiInPort* port, const uint8_t* bytes, std::size_t size) const;

private:
    const MidiInProc m_proc;
    const uintptr_t m_instance;
    std::atomic<bool> m_started{false};
    std::atomic<int64_t> m_startMs{0};
};
