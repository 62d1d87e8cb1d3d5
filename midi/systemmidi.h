// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>
#include <string>
#include <vector>

#include "midiplatform.h"
#include "rtmidiports.h"
#include "sequencerexits.h"
#include "synthconfig.h"
#include "devicethread.h"

// The MIDI devices of this computer as the program numbers them: output 0 is
// the built-in synthesizer, always listed so that the numbers of the other
// devices never shift; outputs 1.. and all inputs are the ports of the ALSA
// sequencer and of JACK.
class AlsaPortWatch;
class JackPortWatch;

class SystemMidi final : public MidiPlatform {
public:
    static constexpr const char* SynthName = "Eingebauter Synthesizer";
    static constexpr const char* ClientName = "QVB-Zaradariveda";

    // How output 0 is made: in this process, or through the synthesizer's module.
    using SynthOpener = std::unique_ptr<MidiOutPort> (*)(const SynthConfig&);

    SystemMidi(); // the synthesizer set up from the environment
    explicit SystemMidi(SynthConfig synth, std::string clientName = ClientName);
    SystemMidi(SynthConfig synth, SynthOpener opener, std::string clientName = ClientName);
    ~SystemMidi() override;

    // From now on opening output 0 answers at once with a stand-in that keeps
    // the messages; the synthesizer itself starts when the stand-in's opening
    // is finished (MidiOutPort::finishOpening), once the window is on the
    // screen. Without a SoundFont to read, output 0 still fails at once.
    void deferSynth() { m_deferSynth = true; }

    // Counting lists the ports anew; names and opening use that list.
    unsigned outCount() override;
    unsigned inCount() override;
    bool outName(unsigned device, std::string& name) override;
    bool inName(unsigned device, std::string& name) override;
    std::unique_ptr<MidiOutPort> openOut(unsigned device) override;
    std::unique_ptr<MidiInPort> openIn(unsigned device, MidiInProc proc,
                                       uintptr_t instance) override;
    // A JACK input opens on the device thread (connecting to the server
    // takes a few hundredths of a second); every other at once.
    std::unique_ptr<MidiInPort> openInWithoutWaiting(unsigned device, MidiInProc proc,
                                                     uintptr_t instance) override;
    // A JACK output opens on the ports' thread; every other at once.
    std::unique_ptr<MidiOutPort> openOutWithoutWaiting(unsigned device) override;
    // On the ports' thread.
    void closeWithoutWaiting(std::unique_ptr<MidiOutPort> port) override;
    void closeWithoutWaiting(std::unique_ptr<MidiInPort> port) override;
    // The MIDI system and the port's name with ALSA's sequencer address.
    std::string outIdentity(unsigned device) override;
    std::string inIdentity(unsigned device) override;
    // JACK's port registrations and the ALSA sequencer's announcements.
    void watchPorts(PortsChangedFn changed) override;
    void keepWatching() override;

private:
    void openWatches(bool announce);
    // Lists JACK's ports through the watch's client while there is one,
    // else through a client of its own for the moment.
    JackPortLister jackLister() const;

    const std::vector<ExternalPort>& outputs();
    const std::vector<ExternalPort>& inputs();

    SynthConfig m_synth;
    SynthOpener m_openSynth;
    // Where the stand-ins of output 0 make and close their synthesizers, one
    // after another; made with the first of them.
    std::shared_ptr<DeviceThread> m_synthThread;
    // The ports' thread: where the ports opened without waiting open and
    // the outputs closed without waiting close; not the synthesizers' thread,
    // so that they do not wait behind a synthesizer. Made when first needed.
    DeviceThread& portThread();
    std::unique_ptr<DeviceThread> m_portThread;
    std::string m_client;
    ExternalPortLister m_lister;
    std::vector<ExternalPort> m_outputs;
    std::vector<ExternalPort> m_inputs;
    bool m_outputsListed = false;
    bool m_inputsListed = false;
    bool m_deferSynth = false;
    // Both watches call m_changed on their own threads; it is only replaced
    // while neither exists.
    PortsChangedFn m_changed;
    std::unique_ptr<JackPortWatch> m_jackWatch;
    std::unique_ptr<AlsaPortWatch> m_alsaWatch;
    // The sequencer's ends as the watch hears them; the ports opened to it read them.
    std::shared_ptr<SequencerExits> m_sequencerExits = std::make_shared<SequencerExits>();
};
