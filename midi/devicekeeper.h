// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <set>
#include <string>
#include <vector>

class MidiDevices;

// Keeps the game listening and sounding while instruments come and go.
// Told that the ports have changed, it lists them and
// - gives the devices in use their numbers in the new lists;
// - opens an input that appears while none is in use (the program's own
//   ports are never listed; "Midi Through" comes last), and reopens the input
//   in use when it comes back after it was lost;
// - puts the built-in synthesizer in the place of an external output that is
//   lost, with the instrument chosen last, and goes back to the external one,
//   with no program change, when it returns.
// Runs on the window's thread, as every other change of the devices does.
class DeviceKeeper {
public:
    explicit DeviceKeeper(MidiDevices& devices);

    // Takes the lists as they are now as the ones already seen, so that only
    // ports that appear later are new. Called once the devices are open.
    void start();
    void portsChanged();

private:
    std::vector<std::string> listOutputs();
    std::vector<std::string> listInputs();
    void keepOutput(const std::vector<std::string>& outputs);
    void keepInput(const std::vector<std::string>& inputs);
    // The first input that was not listed before, ports of real instruments
    // before "Midi Through"; -1 when none is new.
    int newInput(const std::vector<std::string>& inputs) const;

    MidiDevices& m_devices;
    std::set<std::string> m_seenInputs;
};
