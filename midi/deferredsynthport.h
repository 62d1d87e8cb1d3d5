// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <memory>

#include "midiplatform.h"
#include "waitingmessages.h"

// Output 0 while the built-in synthesizer is not started yet. Starting it
// (its module, FluidSynth, the audio driver) takes a few hundredths of a
// second of both cores, just when the window is being made and shown; this
// stand-in lets the window come first. It keeps the messages sent meanwhile,
// in order, and hands them to the synthesizer once finishOpening has made it.
class DeferredSynthPort final : public MidiOutPort {
public:
    using Opener = std::function<std::unique_ptr<MidiOutPort>()>;

    explicit DeferredSynthPort(Opener opener);

    void sendShort(uint32_t message) override;
    // Opens the synthesizer on this thread and plays it what was sent so far.
    // False when it cannot be opened; from then on messages go nowhere.
    // Later calls answer as the first did.
    bool finishOpening() override;

private:
    Opener m_opener;
    bool m_tried = false;
    std::unique_ptr<MidiOutPort> m_synth;
    WaitingMessages m_waiting;
};
