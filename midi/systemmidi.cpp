// SPDX-License-Identifier: GPL-3.0-or-later
#include "systemmidi.h"

#include <cstdlib>

#include "audioenvironment.h"
#include "deferredsynthport.h"
#include "pendinginport.h"
#include "pendingoutport.h"
#ifdef QVB_HAVE_ALSA
#include "alsaportwatch.h"
#endif
#ifdef QVB_HAVE_JACK
#include "jackinport.h"
#include "jackoutport.h"
#include "jackportlist.h"
#include "jackportwatch.h"
#endif
#include "portnames.h"
#include "rtmidiinport.h"
#include "rtmidioutport.h"
#include "soundfontsearch.h"

SystemMidi::SystemMidi(SynthConfig synth, SynthOpener opener, std::string clientName)
    : m_synth(std::move(synth)), m_openSynth(opener), m_client(std::move(clientName)),
      m_lister(m_client) {
    prepareAudioLibraries();
}

SystemMidi::~SystemMidi() {
    watchPorts({});
}

const std::vector<ExternalPort>& SystemMidi::outputs() {
    if (!m_outputsListed) {
        m_outputs = m_lister.list(PortKind::Output, jackLister());
        m_outputsListed = true;
    }
    return m_outputs;
}

const std::vector<ExternalPort>& SystemMidi::inputs() {
    if (!m_inputsListed) {
        m_inputs = m_lister.list(PortKind::Input, jackLister());
        m_inputsListed = true;
    }
    return m_inputs;
}

unsigned SystemMidi::outCount() {
    m_outputsListed = false;
    return 1 + static_cast<unsigned>(outputs().size());
}

unsigned SystemMidi::inCount() {
    m_inputsListed = false;
    return static_cast<unsigned>(inputs().size());
}

bool SystemMidi::outName(unsigned device, std::string& name) {
    if (device == 0) {
        name = SynthName;
        return true;
    }
    const auto& ports = outputs();
    if (device - 1 >= ports.size())
        return false;
    name = ports[device - 1].name;
    return true;
}

bool SystemMidi::inName(unsigned device, std::string& name) {
    const auto& ports = inputs();
    if (device >= ports.size())
        return false;
    name = ports[device].name;
    return true;
}

std::unique_ptr<MidiOutPort> SystemMidi::openOut(unsigned device) {
    if (device == 0) {
        if (!m_deferSynth)
            return m_openSynth(m_synth);
        if (!anySoundFontAt(m_synth.soundFont, m_synth.soundFontRoot))
            return nullptr; // nothing could ever sound: say so before the window
        if (!m_synthThread)
            m_synthThread = std::make_shared<DeviceThread>();
        return std::make_unique<DeferredSynthPort>(
            [open = m_openSynth, config = m_synth] { return open(config); }, m_synthThread);
    }
    const auto& ports = outputs();
    if (device - 1 >= ports.size())
        return nullptr;
    const ExternalPort& port = ports[device - 1];
#ifdef QVB_HAVE_JACK
    if (port.api == RtMidi::UNIX_JACK)
        return JackOutPort::open(port.fullName, m_client);
#endif
    return RtMidiOutPort::open(port.api, port.fullName, m_client, m_sequencerExits);
}

std::unique_ptr<MidiInPort> SystemMidi::openIn(unsigned device, MidiInProc proc,
                                               uintptr_t instance) {
    const auto& ports = inputs();
    if (device >= ports.size())
        return nullptr;
    const ExternalPort& port = ports[device];
#ifdef QVB_HAVE_JACK
    if (port.api == RtMidi::UNIX_JACK)
        return JackInPort::open(port.fullName, m_client, proc, instance);
#endif
    return RtMidiInPort::open(port.api, port.fullName, m_client, proc, instance, m_sequencerExits);
}

std::unique_ptr<MidiInPort> SystemMidi::openInWithoutWaiting(unsigned device, MidiInProc proc,
                                                             uintptr_t instance) {
#ifdef QVB_HAVE_JACK
    const auto& ports = inputs();
    if (device < ports.size() && ports[device].api == RtMidi::UNIX_JACK) {
        return std::make_unique<PendingInPort>(
            [source = ports[device].fullName, client = m_client, proc,
             instance](bool started) -> std::unique_ptr<MidiInPort> {
                return JackInPort::open(source, client, proc, instance, started);
            },
            portThread());
    }
#endif
    return openIn(device, proc, instance);
}

std::unique_ptr<MidiOutPort> SystemMidi::openOutWithoutWaiting(unsigned device) {
#ifdef QVB_HAVE_JACK
    const auto& ports = outputs();
    if (device >= 1 && device - 1 < ports.size() && ports[device - 1].api == RtMidi::UNIX_JACK) {
        return std::make_unique<PendingOutPort>(
            [target = ports[device - 1].fullName, client = m_client]() -> std::unique_ptr<MidiOutPort> {
                return JackOutPort::open(target, client);
            },
            portThread());
    }
#endif
    return openOut(device);
}

void SystemMidi::closeWithoutWaiting(std::unique_ptr<MidiOutPort> port) {
    // A stand-in closes its synthesizer on the synthesizers' thread already,
    // in turn after it was made and before the next one is.
    if (!port || dynamic_cast<DeferredSynthPort*>(port.get()))
        return;
    // The task alone holds it, so that it closes there and nowhere else.
    portThread().post(
        [closing = std::shared_ptr<MidiOutPort>(std::move(port))]() mutable { closing.reset(); });
}

void SystemMidi::closeWithoutWaiting(std::unique_ptr<MidiInPort> port) {
    if (!port)
        return;
    port->stop(); // what is still on its way is not judged
    portThread().post(
        [closing = std::shared_ptr<MidiInPort>(std::move(port))]() mutable { closing.reset(); });
}

DeviceThread& SystemMidi::portThread() {
    if (!m_portThread)
        m_portThread = std::make_unique<DeviceThread>();
    return *m_portThread;
}

namespace {
// The MIDI system and the port's full name: on ALSA with its sequencer
// address, which tells two keyboards of one name apart (the keeper matches
// the name alone when the address is not listed any more).
std::string identityOf(const ExternalPort& port) {
    return std::to_string(int(port.api)) + "|" + port.fullName;
}
} // namespace

std::string SystemMidi::outIdentity(unsigned device) {
    if (device == 0)
        return SynthName;
    const auto& ports = outputs();
    return device - 1 < ports.size() ? identityOf(ports[device - 1]) : std::string();
}

std::string SystemMidi::inIdentity(unsigned device) {
    const auto& ports = inputs();
    return device < ports.size() ? identityOf(ports[device]) : std::string();
}

void SystemMidi::watchPorts(PortsChangedFn changed) {
    // The watches' threads read m_changed: it changes only while none runs.
    m_jackWatch.reset();
    m_alsaWatch.reset();
    m_changed = std::move(changed);
    openWatches(false);
}

void SystemMidi::openWatches(bool announce) {
    if (!m_changed)
        return;
#ifdef QVB_HAVE_JACK
    if (!m_jackWatch) {
        m_jackWatch = JackPortWatch::open(m_client, m_changed);
        if (m_jackWatch && announce)
            m_changed(); // a server that started since: its ports are new
    }
#else
    (void)announce;
#endif
#ifdef QVB_HAVE_ALSA
    if (!m_alsaWatch)
        m_alsaWatch = AlsaPortWatch::open(m_client, m_changed, m_sequencerExits);
#endif
}

void SystemMidi::keepWatching() {
#ifdef QVB_HAVE_JACK
    if (m_jackWatch && m_jackWatch->serverGone())
        m_jackWatch.reset();
#endif
    openWatches(true);
}

JackPortLister SystemMidi::jackLister() const {
#ifdef QVB_HAVE_JACK
    // An output of ours plays to JACK's input ports, and the other way round.
    if (m_jackWatch)
        return [watch = m_jackWatch.get()](PortKind kind, std::vector<std::string>& names) {
            return watch->listMidiPorts(kind == PortKind::Output, names);
        };
    return [client = m_client](PortKind kind, std::vector<std::string>& names) {
        return listJackMidiPortsOnce(client, kind == PortKind::Output, names);
    };
#else
    return {};
#endif
}
