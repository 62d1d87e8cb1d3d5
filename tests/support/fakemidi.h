// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "midiplatform.h"
#include "msclock.h"

// A MIDI platform for tests: devices with chosen names, every message sent
// recorded with its device and time, and incoming messages injected into the
// open input as the platform's own thread would deliver them.
class FakeMidi final : public MidiPlatform {
public:
    struct Sent {
        unsigned device;
        uint32_t message; // packed short message
        uint32_t timeMs;  // the clock's time when it was sent
    };

    // `clock` gives the times of the recorded messages (nullptr: all 0).
    explicit FakeMidi(MsClock* clock = nullptr);
    ~FakeMidi() override;

    // What the tests set up.
    std::vector<std::string> outputs;  // names of output devices 0..
    std::vector<std::string> inputs;   // names of input devices 0..
    std::set<unsigned> failingOutputs; // these cannot be opened
    std::set<unsigned> failingInputs;
    std::set<unsigned> lateFailingOutputs; // open, but finishing the opening fails
    // Outputs opened without waiting are still opening while this is set.
    bool outputsStillOpening = false;
    // Open ports whose device went and came back: they no longer reach it.
    std::set<std::string> cutLinks;

    // What happened.
    std::vector<Sent> sent;
    // Called with every message as it is sent, as a synthesizer would sound it.
    std::function<void(uint32_t message)> onSent;
    int outCountCalls = 0;
    int inCountCalls = 0;
    int outOpens = 0, outCloses = 0;
    int finishOpenings = 0;
    int startOpenings = 0; // openings left to go on on a thread of their own
    int inOpens = 0, inCloses = 0;
    int inResets = 0, inStarts = 0, inStops = 0;

    // The messages only, in order.
    std::vector<uint32_t> messages() const;
    // Forgets what was sent so far.
    void clearSent() { sent.clear(); }

    bool outputOpen() const { return m_openOutputs > 0; }
    bool inputOpen() const { return m_input != nullptr; }
    bool inputStarted() const;
    int openInputDevice() const; // -1 when none is open

    // Hands a message to the open input's callback, if it is started, as
    // the platform would; true when it was delivered. Any thread may call it.
    bool inject(uint32_t message, uint32_t messageId = MIM_DATA);
    bool injectBytes(uint8_t status, uint8_t data1, uint8_t data2) {
        return inject(packShortMessage(status, data1, data2));
    }

    unsigned outCount() override;
    unsigned inCount() override;
    bool outName(unsigned device, std::string& name) override;
    bool inName(unsigned device, std::string& name) override;
    std::unique_ptr<MidiOutPort> openOut(unsigned device) override;
    std::unique_ptr<MidiOutPort> openOutWithoutWaiting(unsigned device) override;
    std::unique_ptr<MidiInPort> openIn(unsigned device, MidiInProc proc,
                                       uintptr_t instance) override;

private:
    class OutPort;
    class InPort;
    friend class OutPort;
    friend class InPort;

    MsClock* m_clock;
    int m_openOutputs = 0;
    std::atomic<InPort*> m_input{nullptr};
};
