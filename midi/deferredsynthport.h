// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

#include "midiplatform.h"
#include "waitingmessages.h"

// Output 0 while the built-in synthesizer is not started yet. Starting it
// (its module, FluidSynth, the audio driver) takes a few hundredths of a
// second of both cores: at start-up just when the window is being made and
// shown, later in the middle of a round when it stands in for an instrument
// that went. This stand-in answers at once. It keeps the messages sent
// meanwhile, in order, and hands them to the synthesizer once it is made,
// on the owner's thread (finishOpening) or on a thread of its own
// (startOpening).
//
// The owner's thread alone sends, finishes, starts and destroys; only the
// making of the synthesizer and the handing on run on the starting thread.
class DeferredSynthPort final : public MidiOutPort {
public:
    using Opener = std::function<std::unique_ptr<MidiOutPort>()>;

    explicit DeferredSynthPort(Opener opener);
    // Waits for a start under way: the synthesizer must not be left half made.
    ~DeferredSynthPort() override;

    void sendShort(uint32_t message) override;
    // Opens the synthesizer on this thread (or waits for the start under way)
    // and plays it what was sent so far. False when it cannot be opened; from
    // then on messages go nowhere. Later calls answer as the first did.
    bool finishOpening() override;
    // Opens it on a thread of its own; this thread goes on at once.
    void startOpening() override;

private:
    void open(); // on the thread that makes the synthesizer

    Opener m_opener;
    bool m_started = false; // the owner's thread only
    std::thread m_starter;
    // Set once the synthesizer is made and has played the waiting messages;
    // from then on messages go straight to it.
    std::atomic<MidiOutPort*> m_ready{nullptr};
    std::mutex m_mutex; // the waiting messages, m_synth and m_failed
    bool m_failed = false;
    std::unique_ptr<MidiOutPort> m_synth;
    WaitingMessages m_waiting;
};
