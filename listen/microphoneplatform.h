// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "microphone.h"
#include "midiplatform.h"

// The MIDI devices of the computer, and after them one input more: the
// microphone, listed while the sound server has a capture source. Until the
// microphone is first looked for (the settings dialog opens) nothing of its
// module is loaded and it is not listed; from then on it is listed, lost and
// found like any other input, and the device keeper hears of its coming and
// going as of a keyboard's. The program never opens it unasked.
class MicrophonePlatform final : public MidiPlatform, public ListeningSettings {
public:
    using Opener = std::function<std::unique_ptr<Microphones>()>;

    explicit MicrophonePlatform(MidiPlatform& midi, Opener opener = openMicrophonesFromModule);
    ~MicrophonePlatform() override;

    // Loads the module and asks the sound server for its sources, waiting a
    // moment for its first answer. Later calls do nothing.
    void lookForMicrophone() override;
    int microphoneInput() const override { return m_micListed ? int(m_midiInputs) : -1; }
    bool headphones() const override { return m_choices->headphones.load(); }
    void setHeadphones(bool on) override { m_choices->headphones.store(on); }
    bool anyOctave() const override { return m_choices->anyOctave.load(); }
    void setAnyOctave(bool on) override { m_choices->anyOctave.store(on); }
    std::unique_ptr<LevelMeter> openMeter() override;

    unsigned outCount() override { return m_midi.outCount(); }
    unsigned inCount() override;
    bool outName(unsigned device, std::string& name) override { return m_midi.outName(device, name); }
    bool inName(unsigned device, std::string& name) override;
    std::unique_ptr<MidiOutPort> openOut(unsigned device) override { return m_midi.openOut(device); }
    std::unique_ptr<MidiInPort> openIn(unsigned device, MidiInProc proc,
                                       uintptr_t instance) override;
    bool inOpensUnasked(unsigned device) override;
    std::string outIdentity(unsigned device) override { return m_midi.outIdentity(device); }
    std::string inIdentity(unsigned device) override;
    void watchPorts(PortsChangedFn changed) override;
    void keepWatching() override { m_midi.keepWatching(); }

private:
    bool isMicrophone(unsigned device) const { return m_micListed && device == m_midiInputs; }

    MidiPlatform& m_midi;
    Opener m_opener;
    bool m_lookedFor = false;
    std::unique_ptr<Microphones> m_microphones;
    std::shared_ptr<ListenChoices> m_choices = std::make_shared<ListenChoices>();
    unsigned m_midiInputs = 0; // counted last
    bool m_micListed = false;  // ... and the microphone after them
    std::mutex m_changedLock;  // the watch calls from its own thread
    PortsChangedFn m_changed;
};
