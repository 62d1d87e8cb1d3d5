// SPDX-License-Identifier: GPL-3.0-or-later
#include "microphoneplatform.h"

namespace {
// The sound server answers a local client within a few milliseconds; one that
// does not answer in this time is not waited for (the microphone is listed
// once it does).
constexpr int FirstAnswerMs = 300;
} // namespace

MicrophonePlatform::MicrophonePlatform(MidiPlatform& midi, Opener opener)
    : m_midi(midi), m_opener(std::move(opener)) {}

MicrophonePlatform::~MicrophonePlatform() {
    if (m_microphones)
        m_microphones->onChange({});
}

void MicrophonePlatform::lookForMicrophone() {
    if (m_lookedFor)
        return;
    m_lookedFor = true;
    if (m_opener)
        m_microphones = m_opener();
    if (!m_microphones)
        return;
    m_microphones->onChange([this] {
        std::lock_guard<std::mutex> lock(m_changedLock);
        if (m_changed)
            m_changed();
    });
    m_microphones->waitForServer(FirstAnswerMs);
}

std::unique_ptr<LevelMeter> MicrophonePlatform::openMeter() {
    return m_microphones ? m_microphones->openMeter() : nullptr;
}

unsigned MicrophonePlatform::inCount() {
    m_midiInputs = m_midi.inCount();
    m_micListed = m_microphones && m_microphones->hasSource();
    return m_midiInputs + (m_micListed ? 1 : 0);
}

bool MicrophonePlatform::inName(unsigned device, std::string& name) {
    if (isMicrophone(device)) {
        name = MicrophoneName;
        return true;
    }
    return device < m_midiInputs && m_midi.inName(device, name);
}

std::string MicrophonePlatform::inIdentity(unsigned device) {
    if (isMicrophone(device))
        return MicrophoneName;
    return device < m_midiInputs ? m_midi.inIdentity(device) : std::string();
}

std::unique_ptr<MidiInPort> MicrophonePlatform::openIn(unsigned device, MidiInProc proc,
                                                       uintptr_t instance) {
    if (isMicrophone(device))
        return m_microphones->openInput(proc, instance, m_choices);
    return device < m_midiInputs ? m_midi.openIn(device, proc, instance) : nullptr;
}

bool MicrophonePlatform::inOpensUnasked(unsigned device) {
    return !isMicrophone(device) && m_midi.inOpensUnasked(device);
}

void MicrophonePlatform::watchPorts(PortsChangedFn changed) {
    {
        std::lock_guard<std::mutex> lock(m_changedLock);
        m_changed = changed;
    }
    m_midi.watchPorts(std::move(changed));
}
