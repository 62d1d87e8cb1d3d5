// SPDX-License-Identifier: GPL-3.0-or-later
#include "rtmidiports.h"

#include <algorithm>

#include "audioenvironment.h"
#include "portnames.h"

namespace {

// RtMidi reports through this instead of printing and throwing; every failure
// shows up as a closed port, a port count of 0 or an empty name.
void quietErrors(RtMidiError::Type, const std::string&, void*) {}

// RtMidi's constructors complain on the terminal before an error callback can
// be installed, so a system is only tried when it may work.
bool mayStart(RtMidi::Api api) {
    switch (api) {
    case RtMidi::LINUX_ALSA:
        return alsaSequencerPresent();
    case RtMidi::UNIX_JACK:
        return jackServerMayRun();
    case RtMidi::RTMIDI_DUMMY:
    case RtMidi::UNSPECIFIED:
        return false;
    default:
        return true;
    }
}

template <class Midi> std::unique_ptr<Midi> makeQuiet(RtMidi::Api api, const std::string& client) {
    if (!mayStart(api))
        return nullptr;
    try {
        auto midi = std::make_unique<Midi>(api, client);
        midi->setErrorCallback(&quietErrors, nullptr);
        return midi;
    } catch (const RtMidiError&) {
        return nullptr;
    }
}

void appendPorts(RtMidi& midi, RtMidi::Api api, const std::string& ownClient,
                 std::vector<ExternalPort>& ports) {
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string fullName = midi.getPortName(i);
        if (fullName.empty() || isPortOfClient(fullName, ownClient))
            continue;
        ports.push_back({api, fullName, shortPortName(fullName)});
    }
}

} // namespace

std::unique_ptr<RtMidiOut> makeQuietOut(RtMidi::Api api, const std::string& client) {
    return makeQuiet<RtMidiOut>(api, client);
}

std::unique_ptr<RtMidiIn> makeQuietIn(RtMidi::Api api, const std::string& client) {
    return makeQuiet<RtMidiIn>(api, client);
}

int findPort(RtMidi& midi, const std::string& fullName) {
    const unsigned count = midi.getPortCount();
    for (unsigned i = 0; i < count; ++i) {
        if (midi.getPortName(i) == fullName)
            return static_cast<int>(i);
    }
    return -1;
}

ExternalPortLister::ExternalPortLister(std::string ownClient) : m_client(std::move(ownClient)) {}

ExternalPortLister::~ExternalPortLister() = default;

RtMidi* ExternalPortLister::alsaLister(PortKind kind) {
    // Made when first needed: a sequencer that is not there yet may come later.
    if (kind == PortKind::Output) {
        if (!m_alsaOut)
            m_alsaOut = makeQuietOut(RtMidi::LINUX_ALSA, m_client);
        return m_alsaOut.get();
    }
    if (!m_alsaIn)
        m_alsaIn = makeQuietIn(RtMidi::LINUX_ALSA, m_client);
    return m_alsaIn.get();
}

std::vector<ExternalPort> ExternalPortLister::list(PortKind kind, const JackPortLister& jackPorts) {
    prepareAudioLibraries();
    std::vector<RtMidi::Api> apis;
    RtMidi::getCompiledApi(apis);
    std::vector<ExternalPort> ports;
    for (const RtMidi::Api api : apis) {
        std::vector<std::string> names;
        if (api == RtMidi::UNIX_JACK && jackPorts) {
            if (jackPorts(kind, names)) // false: no server runs
                for (auto& fullName : names)
                    if (!fullName.empty() && !isPortOfClient(fullName, m_client))
                        ports.push_back({api, fullName, shortPortName(fullName)});
            continue;
        }
        try {
            if (api == RtMidi::LINUX_ALSA) {
                if (RtMidi* lister = alsaLister(kind))
                    appendPorts(*lister, api, m_client, ports);
            } else if (kind == PortKind::Output) {
                if (auto lister = makeQuietOut(api, m_client))
                    appendPorts(*lister, api, m_client, ports);
            } else {
                if (auto lister = makeQuietIn(api, m_client))
                    appendPorts(*lister, api, m_client, ports);
            }
        } catch (const RtMidiError&) {
            // a system that fails half-way is left out like one that cannot start
        }
    }
    // "Midi Through" only echoes what other programs send; as device 0 it would
    // keep a pupil's keyboard silent until they find the settings dialog.
    std::stable_partition(ports.begin(), ports.end(),
                          [](const ExternalPort& port) { return !isMidiThrough(port.fullName); });
    std::vector<std::string> names;
    for (const auto& port : ports)
        names.push_back(port.name);
    makeNamesDistinct(names);
    for (std::size_t i = 0; i < ports.size(); ++i)
        ports[i].name = names[i];
    return ports;
}
