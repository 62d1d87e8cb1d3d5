// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>

// An opened MIDI output as everything that plays notes sees it: the ports of
// external instruments and the built-in synthesizer alike.

// A short message: status in bits 0-7, data 1 in bits 8-15, data 2 in bits 16-23.
inline constexpr uint32_t packShortMessage(uint8_t status, uint8_t data1, uint8_t data2) {
    return uint32_t(status) | (uint32_t(data1) << 8) | (uint32_t(data2) << 16);
}

class MidiOutPort {
public:
    virtual ~MidiOutPort() = default;           // closes the output
    virtual void sendShort(uint32_t message) = 0;
    // Completes an opening that was put off (see SystemMidi::deferSynth);
    // false when the device could not be opened after all. Every other port
    // is open once openOut has returned it.
    virtual bool finishOpening() { return true; }
    // Completes such an opening on a thread of its own: this call returns at
    // once, and what is sent meanwhile waits in order until the device plays
    // it. Nothing for a port that is open already.
    virtual void startOpening() {}
    // True while an opening on a thread of its own goes on
    // (MidiPlatform::openOutWithoutWaiting); finishOpening then waits.
    virtual bool stillOpening() const { return false; }
    // False once the device this port was opened to has gone, even when a
    // device of the same name has come back since: the port must be opened anew.
    virtual bool reachesDevice() const { return true; }
};
