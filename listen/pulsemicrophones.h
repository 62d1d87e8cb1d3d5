// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>

#include "microphone.h"

class PulseLink;

// The microphones of the desktop's sound server (PulseAudio, or PipeWire
// through its PulseAudio service), through libpulse: the sound server is what
// every desktop program records from, and its client library brings no codec
// or multimedia stack with it.
class PulseMicrophones final : public Microphones {
public:
    PulseMicrophones();
    ~PulseMicrophones() override;

    bool hasSource() const override;
    void waitForServer(int ms) override;
    void onChange(std::function<void()> changed) override;
    std::unique_ptr<MidiInPort> openInput(MidiInProc proc, uintptr_t instance,
                                          std::shared_ptr<const ListenChoices> choices) override;
    std::unique_ptr<LevelMeter> openMeter() override;

private:
    std::shared_ptr<PulseLink> m_link;
};
