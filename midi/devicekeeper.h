// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "openretries.h"

class MidiDevices;
class MidiOutPort;
class MsClock;

// Keeps the game listening and sounding while instruments come and go.
// Told that the ports have changed, it lists them and
// - gives the devices in use their numbers in the new lists;
// - opens an input that appears while none is in use (the program's own
//   ports are never listed; "Midi Through" comes last), and reopens the input
//   in use when it comes back after it was lost;
// - puts the built-in synthesizer in the place of an external output that is
//   lost, with the instrument chosen last, and goes back to the external one,
//   with no program change, when it returns and has opened; until then the
//   synthesizer goes on standing in.
// A lost device that is listed again but fails to open is tried again when
// it is announced anew, or else once its wait is over (OpenRetries).
// Runs on the window's thread, as every other change of the devices does.
// What takes long happens elsewhere while it goes on: the built-in
// synthesizer is made and closed on a thread of its own, JACK's ports are
// opened and closed on another (MidiPlatform's "without waiting" calls).
class DeviceKeeper {
public:
    DeviceKeeper(MidiDevices& devices, MsClock& clock);
    ~DeviceKeeper();

    // Takes the inputs listed when the devices were opened as the ones
    // already seen, so that only ports that appeared later are new, and
    // looks at the lists once: what came since the opening is taken now.
    // Called once the devices are open.
    void start();
    void portsChanged();
    // A lost device that failed to open is due to be tried again (asked
    // about once a second; portsChanged tries it).
    bool retryDue();
    // A returning output is being opened on a thread of its own: the next
    // portsChanged takes it once it is open.
    bool opening() const { return m_taking != nullptr; }

private:
    std::vector<std::string> listOutputs();
    std::vector<std::string> listInputs();
    void keepOutput(const std::vector<std::string>& outputs);
    void keepInput(const std::vector<std::string>& inputs);
    // The first input that was not listed before, ports of real instruments
    // before "Midi Through"; -1 when none is new.
    int newInput(const std::vector<std::string>& inputs) const;
    // Whether the lost device `lost`, listed now as `listed`, may be opened:
    // at once when the last look did not list it, else after its wait.
    bool mayTry(const std::string& lost, const std::string& listed,
                const std::set<std::string>& listedBefore);

    MidiDevices& m_devices;
    MsClock& m_clock;
    std::set<std::string> m_seenInputs;  // as last listed
    std::set<std::string> m_seenOutputs; // as last listed
    OpenRetries m_retries;
    // The lost output as it opens again, while the synthesizer plays on.
    std::unique_ptr<MidiOutPort> m_taking;
};
