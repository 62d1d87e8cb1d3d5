#pragma once
#include <future>
#include <string>
#include <vector>

#include "midiplatform.h"
#include "rtmidiports.h"
#include "synthconfig.h"

// The MIDI devices of this computer as the program numbers them: output 0 is
// the built-in synthesizer, always listed so that the numbers of the other
// devices never shift; outputs 1.. and all inputs are the ports of the ALSA
// sequencer and of JACK.
class SystemMidi final : public MidiPlatform {
public:
    static constexpr const char* SynthName = "Eingebauter Synthesizer";
    static constexpr const char* ClientName = "QVB-Zaradariveda";

    // How output 0 is made: in this process, or through the synthesizer's module.
    using SynthOpener = std::unique_ptr<MidiOutPort> (*)(const SynthConfig&);

    SystemMidi(); // the synthesizer set up from the environment
    explicit SystemMidi(SynthConfig synth, std::string clientName = ClientName);
    SystemMidi(SynthConfig synth, SynthOpener opener, std::string clientName = ClientName);

    // Starts setting up the built-in synthesizer (SoundFont, audio driver) on
    // a thread of its own, so that it overlaps the start of the windows; the
    // first opening of output 0 takes it over.
    void prepareSynth();

    // Counting lists the ports anew; names and opening use that list.
    unsigned outCount() override;
    unsigned inCount() override;
    bool outName(unsigned device, std::string& name) override;
    bool inName(unsigned device, std::string& name) override;
    std::unique_ptr<MidiOutPort> openOut(unsigned device) override;
    std::unique_ptr<MidiInPort> openIn(unsigned device, MidiInProc proc,
                                       uintptr_t instance) override;

private:
    const std::vector<ExternalPort>& outputs();
    const std::vector<ExternalPort>& inputs();

    SynthConfig m_synth;
    SynthOpener m_openSynth;
    std::string m_client;
    std::vector<ExternalPort> m_outputs;
    std::vector<ExternalPort> m_inputs;
    bool m_outputsListed = false;
    bool m_inputsListed = false;
    std::future<std::unique_ptr<MidiOutPort>> m_preparedSynth;
};
