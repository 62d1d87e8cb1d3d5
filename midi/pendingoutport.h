// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "devicethread.h"
#include "midiplatform.h"

// An output that opens on a device thread: an instrument back under its name
// is connected there while the window's thread goes on, and the built-in
// synthesizer plays on until it is open (DeviceKeeper). What is sent to it
// before it is open goes nowhere.
// Closed on the thread that destroys it, which waits for an opening still
// under way: never destroy it on the device thread before its opening ran.
//
// The owner's thread alone calls it; only the opener runs on the device thread.
class PendingOutPort final : public MidiOutPort {
public:
    using Opener = std::function<std::unique_ptr<MidiOutPort>()>;

    PendingOutPort(Opener opener, DeviceThread& thread);
    ~PendingOutPort() override;

    void sendShort(uint32_t message) override;
    // Waits for the opening; false when the output could not be opened.
    bool finishOpening() override;
    bool stillOpening() const override;
    bool reachesDevice() const override;

private:
    // The open output once the opening is over (nullptr when it failed).
    MidiOutPort* opened() const;

    struct Shared {
        std::mutex mutex; // all below
        std::condition_variable over;
        bool done = false;
        std::unique_ptr<MidiOutPort> port;
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};
