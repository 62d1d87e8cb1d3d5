// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>

#include "midiplatform.h"
#include "devicethread.h"
#include "waitingmessages.h"

// Output 0 while the built-in synthesizer is not started yet. Starting it
// (its module, FluidSynth, the audio driver) takes a few hundredths of a
// second of both cores: at start-up just when the window is being made and
// shown, later in the middle of a round when it stands in for an instrument
// that went. This stand-in answers at once. It keeps the messages sent
// meanwhile, in order, and hands them to the synthesizer once it is made.
// The synthesizer is made and closed on the synthesizer's thread (DeviceThread):
// finishOpening waits for it to be made, startOpening does not, and closing
// never waits (a synthesizer still reading its SoundFont takes a second or two).
//
// The owner's thread alone sends, finishes, starts and destroys.
class DeferredSynthPort final : public MidiOutPort {
public:
    using Opener = std::function<std::unique_ptr<MidiOutPort>()>;

    explicit DeferredSynthPort(Opener opener,
                               std::shared_ptr<DeviceThread> thread = std::make_shared<DeviceThread>());
    ~DeferredSynthPort() override;

    void sendShort(uint32_t message) override;
    // Opens the synthesizer, waits until it is made and has played what was
    // sent so far. False when it cannot be opened; from then on messages go
    // nowhere. Later calls answer as the first did.
    bool finishOpening() override;
    // Opens it; this thread goes on at once.
    void startOpening() override;

private:
    // What the synthesizer's thread shares with this port; it outlives the
    // port until the synthesizer is closed.
    struct Shared {
        Opener opener;
        // Set once the synthesizer is made and has played the waiting
        // messages; from then on messages go straight to it.
        std::atomic<MidiOutPort*> ready{nullptr};
        std::mutex mutex; // all below
        std::condition_variable made;
        bool done = false; // made, or failed
        std::unique_ptr<MidiOutPort> synth;
        WaitingMessages waiting;

        void open(); // on the synthesizer's thread
    };

    std::shared_ptr<DeviceThread> m_thread;
    std::shared_ptr<Shared> m_shared = std::make_shared<Shared>();
    bool m_started = false;
};
