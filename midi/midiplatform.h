// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "midioutport.h"
#include "noteinput.h"

// The few things the program needs of the system's MIDI: count the devices,
// read their names, open an output and send short messages to it, open an
// input that hands every complete short message to a callback. Device numbers
// run 0..count-1 in the order the platform lists them; outputs and inputs are
// numbered separately.

// Identifier of a complete short message for the input callback.
inline constexpr uint32_t MIM_DATA = 0x3C3;

class MidiInPort;
// Called on the input's own thread for every incoming message.
using MidiInProc = void (*)(MidiInPort* port, uint32_t messageId, uintptr_t instance,
                            uint32_t param1, uint32_t param2);

class MidiInPort {
public:
    virtual ~MidiInPort() = default; // closes the input
    virtual void reset() = 0;        // back to stopped
    virtual void start() = 0;        // deliver messages from now on
    virtual void stop() = 0;         // deliver nothing
    // As MidiOutPort::reachesDevice.
    virtual bool reachesDevice() const { return true; }

    // An input that hears the room (the microphone) hears the program's own
    // notes as well. It is told every message the program sends to its
    // output, on the window's thread...
    virtual void outputSent(uint32_t message) { (void)message; }
    // ... asks once, through this, for the program's notes to fall silent
    // because the pupil has begun to answer over them ...
    virtual bool wantsSilence() { return false; }
    // ... and tells how its latest note was given.
    virtual TakenAnswer latestAnswer() const { return {}; }
};

class MidiPlatform {
public:
    virtual ~MidiPlatform() = default;
    virtual unsigned outCount() = 0;
    virtual unsigned inCount() = 0;
    // The device's name, at most 31 characters; false when it cannot be read.
    virtual bool outName(unsigned device, std::string& name) = 0;
    virtual bool inName(unsigned device, std::string& name) = 0;
    // nullptr when the device cannot be opened.
    virtual std::unique_ptr<MidiOutPort> openOut(unsigned device) = 0;
    virtual std::unique_ptr<MidiInPort> openIn(unsigned device, MidiInProc proc,
                                               uintptr_t instance) = 0;
    // The program may open the input by itself, at start or when it appears;
    // one that listens to the room (the microphone) only when it is chosen.
    virtual bool inOpensUnasked(unsigned device) { (void)device; return true; }
    // As openIn, for a caller that must not wait: an input that takes long
    // to open may answer at once with a port that opens on a thread of its
    // own and fails later (reachesDevice false). Calls of its reset, start
    // and stop meanwhile count once it is open.
    virtual std::unique_ptr<MidiInPort> openInWithoutWaiting(unsigned device, MidiInProc proc,
                                                             uintptr_t instance) {
        return openIn(device, proc, instance);
    }

    // As openOut, for a caller that must not wait: an output that takes long
    // to open may answer at once with a port that opens on a thread of its
    // own (MidiOutPort::stillOpening) and may fail (finishOpening false).
    virtual std::unique_ptr<MidiOutPort> openOutWithoutWaiting(unsigned device) {
        return openOut(device);
    }
    // Closes an output its caller has given up, without waiting for it (a
    // JACK client takes several milliseconds to close); here at once.
    virtual void closeWithoutWaiting(std::unique_ptr<MidiOutPort> port) { port.reset(); }
    // The same for an input; stopped first, it delivers nothing more.
    virtual void closeWithoutWaiting(std::unique_ptr<MidiInPort> port) { port.reset(); }

    // Who a device is, whatever its number: its name, and where the MIDI
    // system gives one, its address, which may change when the instrument is
    // unplugged and plugged in again (findIdentity finds it by name then);
    // empty when there is no such device. The lists are the ones counted last.
    virtual std::string outIdentity(unsigned device) {
        std::string name;
        return outName(device, name) ? name : std::string();
    }
    virtual std::string inIdentity(unsigned device) {
        std::string name;
        return inName(device, name) ? name : std::string();
    }

    // Port watching. From now on `changed` is called, on whatever thread the
    // MIDI system reports on and often several times in a row, whenever ports
    // may have appeared or vanished. An empty function ends the watching;
    // once that has returned, no call of the earlier function is under way.
    using PortsChangedFn = std::function<void()>;
    virtual void watchPorts(PortsChangedFn changed) { (void)changed; }
    // Called about once a second while watching: picks up a MIDI system that
    // has started (or gone) since. Cheap when nothing has changed.
    virtual void keepWatching() {}
};
