// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "devicethread.h"
#include "midiplatform.h"

// An input that opens on a device thread: the instrument's port is connected
// there while the window's thread goes on (a JACK keyboard back in the
// middle of a round). Until it is open it delivers nothing; the last reset,
// start or stop meanwhile is kept and counts from its opening on.
// It is closed on the owner's thread, which waits for an opening still
// under way: once the destructor has returned, no message of it arrives.
//
// The owner's thread alone calls it; only the opener runs on the device thread.
class PendingInPort final : public MidiInPort {
public:
    // Opens the input, started already when `started`.
    using Opener = std::function<std::unique_ptr<MidiInPort>(bool started)>;

    PendingInPort(Opener opener, DeviceThread& thread);
    ~PendingInPort() override;

    void reset() override;
    void start() override;
    void stop() override;
    // True while it opens, then as the open input says; false once it failed.
    bool reachesDevice() const override;
    // As the open input says; before, as an input that is not open.
    void outputSent(uint32_t message) override;
    bool wantsSilence() override;
    TakenAnswer latestAnswer() const override;

private:
    enum class Call { None, Reset, Start, Stop };
    static void apply(MidiInPort& port, Call what);
    void call(Call what);

    struct Shared {
        std::mutex mutex; // all below
        std::condition_variable opened;
        bool done = false;
        std::unique_ptr<MidiInPort> port;
        Call last = Call::None; // the last call before it was open
        int calls = 0;          // how many came before it was open
    };
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
};
