// SPDX-License-Identifier: GPL-3.0-or-later
#include "devicekeeper.h"

#include <algorithm>

#include "mididevices.h"
#include "portnames.h"

namespace {
constexpr int SynthDevice = 0; // the built-in synthesizer, always output 0

int indexOf(const std::vector<std::string>& list, const std::string& identity) {
    return findIdentity(list, identity);
}
} // namespace

DeviceKeeper::DeviceKeeper(MidiDevices& devices) : m_devices(devices) {}

void DeviceKeeper::start() {
    const auto inputs = listInputs();
    m_seenInputs = {inputs.begin(), inputs.end()};
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
    keepOutput(listOutputs());
    const auto inputs = listInputs();
    keepInput(inputs);
    m_seenInputs = {inputs.begin(), inputs.end()};
}

void DeviceKeeper::keepOutput(const std::vector<std::string>& outputs) {
    MidiDevices& d = m_devices;
    if (!d.lostOutIdentity.empty()) {
        const int back = indexOf(outputs, d.lostOutIdentity);
        if (back < 0)
            return; // the synthesizer goes on standing in
        // As after any switch of the output, the device plays with its own program.
        d.switchOutput(back, false);
        if (d.outHandle)
            d.lostOutIdentity.clear();
        else
            d.switchOutput(SynthDevice, true); // it went again at once
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
        if (now >= 0) {
            d.switchInput(now); // gone and back between two looks
            if (d.inHandle)
                return;
        }
        // Lost. The dead input stays as the round knows it, so that the
        // round's stop still reaches it; it no longer has a number.
        d.lostInIdentity = d.inIdentity;
        d.inIdentity.clear();
        d.inDevice = -1;
    }
    int choice = indexOf(inputs, d.lostInIdentity);
    if (choice < 0)
        choice = newInput(inputs);
    if (choice < 0)
        return;
    d.switchInput(choice);
    if (d.inHandle)
        d.lostInIdentity.clear();
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
