// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicekeeper.h"

#include <algorithm>

#include "mididevices.h"
#include "msclock.h"
#include "portnames.h"

namespace {
constexpr int SynthDevice = 0; // the built-in synthesizer, always output 0

int indexOf(const std::vector<std::string>& list, const std::string& identity) {
    return findIdentity(list, identity);
}
} // namespace

DeviceKeeper::DeviceKeeper(MidiDevices& devices, MsClock& clock)
    : m_devices(devices), m_clock(clock) {}

DeviceKeeper::~DeviceKeeper() = default;

void DeviceKeeper::start() {
    // What was there when the devices were opened, not what is there now: a
    // keyboard switched on while the window was made is one that appeared.
    const auto& opening = m_devices.inputsAtOpening;
    m_seenInputs = {opening.begin(), opening.end()};
    const auto outputs = listOutputs();
    m_seenOutputs = {outputs.begin(), outputs.end()};
    portsChanged();
}

bool DeviceKeeper::retryDue() {
    const uint32_t now = m_clock.now();
    auto due = [&](const std::string& lost) {
        return !lost.empty() && m_retries.waiting(lost) && m_retries.mayTry(lost, now);
    };
    return due(m_devices.lostOutIdentity) || due(m_devices.lostInIdentity);
}

bool DeviceKeeper::mayTry(const std::string& lost, const std::string& listed,
                          const std::set<std::string>& listedBefore) {
    if (!listedBefore.count(listed))
        m_retries.forget(lost); // announced anew: a new chance
    return m_retries.mayTry(lost, m_clock.now());
}

std::vector<std::string> DeviceKeeper::listOutputs() {
    MidiPlatform& platform = m_devices.platform();
    std::vector<std::string> list(platform.outCount());
    for (unsigned k = 0; k < list.size(); ++k)
        list[k] = platform.outIdentity(k);
    return list;
}

std::vector<std::string> DeviceKeeper::listInputs() {
    MidiPlatform& platform = m_devices.platform();
    std::vector<std::string> list(platform.inCount());
    for (unsigned k = 0; k < list.size(); ++k)
        list[k] = platform.inIdentity(k);
    return list;
}

void DeviceKeeper::portsChanged() {
    const auto outputs = listOutputs();
    keepOutput(outputs);
    m_seenOutputs = {outputs.begin(), outputs.end()};
    const auto inputs = listInputs();
    keepInput(inputs);
    m_seenInputs = {inputs.begin(), inputs.end()};
    m_retries.keepOnly(m_devices.lostOutIdentity, m_devices.lostInIdentity);
}

void DeviceKeeper::keepOutput(const std::vector<std::string>& outputs) {
    MidiDevices& d = m_devices;
    if (m_taking && d.lostOutIdentity.empty()) // chosen in the settings meanwhile
        d.platform().closeWithoutWaiting(std::move(m_taking));
    if (!d.lostOutIdentity.empty()) {
        const int back = indexOf(outputs, d.lostOutIdentity);
        if (!m_taking) {
            if (back < 0 || !mayTry(d.lostOutIdentity, outputs[back], m_seenOutputs))
                return; // the synthesizer goes on standing in
            m_taking = d.platform().openOutWithoutWaiting(unsigned(back));
            if (!m_taking) {
                m_retries.failed(d.lostOutIdentity, m_clock.now());
                return;
            }
        }
        // The synthesizer stands in until the device has opened.
        if (m_taking->stillOpening())
            return;
        std::unique_ptr<MidiOutPort> port = std::move(m_taking);
        if (!port->finishOpening()) {
            m_retries.failed(d.lostOutIdentity, m_clock.now());
            d.platform().closeWithoutWaiting(std::move(port));
        } else if (back < 0) {
            d.platform().closeWithoutWaiting(std::move(port)); // gone again meanwhile
        } else {
            // As after any switch of the output, the device plays with its own program.
            d.takeOutput(back, std::move(port));
            d.lostOutIdentity.clear();
        }
        return;
    }
    if (d.outIdentity.empty() || d.outDevice == SynthDevice)
        return; // the synthesizer is no port that comes and goes
    const int now = indexOf(outputs, d.outIdentity);
    if (now >= 0 && d.outputWorks()) {
        d.outDevice = now;
        return;
    }
    if (now >= 0) {
        // Gone and back between two looks: the old link is dead, a new one works.
        const std::string identity = d.outIdentity;
        d.switchOutput(now, false);
        if (d.outHandle)
            return;
        d.lostOutIdentity = identity;
        m_retries.failed(identity, m_clock.now());
    } else {
        d.lostOutIdentity = d.outIdentity;
    }
    // Lost: the round must go on sounding, in the instrument the pupil chose.
    d.switchOutput(SynthDevice, true);
}

void DeviceKeeper::keepInput(const std::vector<std::string>& inputs) {
    MidiDevices& d = m_devices;
    if (!d.inIdentity.empty()) {
        const int now = indexOf(inputs, d.inIdentity);
        if (now >= 0 && d.inputWorks()) {
            d.inDevice = now;
            // "Midi Through", opened for want of anything better, makes way
            // for an instrument that appears.
            const int better = newInput(inputs);
            if (d.inChosenByProgram && isMidiThrough(d.inIdentity) && better >= 0 &&
                !isMidiThrough(inputs[better]))
                d.switchInput(better);
            return;
        }
        const std::string identity = d.inIdentity;
        if (now >= 0) {
            d.switchInput(now); // gone and back between two looks
            if (d.inHandle)
                return;
            m_retries.failed(identity, m_clock.now());
        }
        // Lost. The dead input stays as the round knows it, so that the
        // round's stop still reaches it; it no longer has a number.
        d.lostInIdentity = identity;
        d.inIdentity.clear();
        d.inDevice = -1;
    }
    int choice = indexOf(inputs, d.lostInIdentity);
    if (choice >= 0 && !mayTry(d.lostInIdentity, inputs[choice], m_seenInputs))
        choice = -1; // its wait is not over; another that appears is taken meanwhile
    const bool lostOne = choice >= 0;
    if (choice < 0)
        choice = newInput(inputs);
    if (choice < 0)
        return;
    d.switchInput(choice);
    if (d.inHandle)
        d.lostInIdentity.clear();
    else if (lostOne)
        m_retries.failed(d.lostInIdentity, m_clock.now());
}

int DeviceKeeper::newInput(const std::vector<std::string>& inputs) const {
    int through = -1;
    for (int k = 0; k < int(inputs.size()); ++k) {
        if (inputs[k].empty() || m_seenInputs.count(inputs[k]) ||
            !m_devices.platform().inOpensUnasked(unsigned(k)))
            continue;
        if (!isMidiThrough(inputs[k]))
            return k;
        if (through < 0)
            through = k;
    }
    return through;
}
