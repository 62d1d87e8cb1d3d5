// SPDX-License-Identifier: GPL-3.0-or-later
// How long the window's thread is held when the device keeper acts, as the
// program runs it: the built-in synthesizer through its module, and an
// instrument on a JACK server of the benchmark's own (dummy driver) that goes
// and comes back. The synthesizer plays into a WAV file (or to the driver
// QVB_SYNTH_AUDIO names), then to a PulseAudio server of the benchmark's own.
//  - lost: its output and keyboard go; the built-in synthesizer stands in;
//  - back: both return; the output is taken back, the keyboard reopened.
// Each figure is the time of one DeviceKeeper::portsChanged on the calling
// thread, which is the window's thread in the program (for the return the
// longest of the looks until the output is taken).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

#include "buildmodules.h"
#include "devicekeeper.h"
#include "jackserver.h"
#include "jacktestclient.h"
#include "mididevices.h"
#include "pulseserver.h"
#include "steadyclock.h"
#include "synthmodule.h"
#include "systemmidi.h"

namespace {
using Clock = std::chrono::steady_clock;

double msSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void report(const char* what, std::vector<double> ms) {
    std::sort(ms.begin(), ms.end());
    std::printf("%-52s n=%zu  median %6.2f ms  max %6.2f ms\n", what, ms.size(), ms[ms.size() / 2],
                ms.back());
}

int indexOfOutput(SystemMidi& platform, const std::string& fullName) {
    const unsigned count = platform.outCount();
    for (unsigned k = 0; k < count; ++k) {
        if (platform.outIdentity(k).find(fullName) != std::string::npos)
            return int(k);
    }
    return -1;
}

// The instrument's output in use, its keyboard the input; twelve times lost and back.
bool measure(const char* what, const SynthConfig& config) {
    SystemMidi platform(config, openSynthFromModule);
    platform.deferSynth(); // as the program opens output 0
    auto instrument = std::make_unique<JackTestClient>("stallkeys");
    MidiDevices midi(platform);
    bool failed = false;
    midi.OpenDevices("QVB-Zaradariveda", [&](const std::string&, const std::string&) { failed = true; },
                     {});
    midi.finishOpening("QVB-Zaradariveda", {}, {});
    const int out = indexOfOutput(platform, instrument->inPortName());
    if (failed || !midi.outHandle || out < 0 || !midi.inputWorks()) {
        std::printf("%s: the synthesizer, the instrument's output or its keyboard did not open\n", what);
        return false;
    }
    midi.reopenOutput(out);
    // As the program watches: JACK's ports are listed through the watch's client.
    platform.watchPorts([] {});
    SteadyClock clock;
    DeviceKeeper keeper(midi, clock);
    keeper.start();

    std::vector<double> lost, back;
    for (int run = 0; run < 12; ++run) {
        instrument.reset();
        auto start = Clock::now();
        keeper.portsChanged();
        lost.push_back(msSince(start));
        if (midi.outDevice != 0 || midi.lostOutIdentity.empty()) {
            std::printf("%s: the built-in synthesizer did not stand in\n", what);
            return false;
        }
        midi.PlayNote(60, 100); // the round goes on sounding
        // The synthesizer starts and plays for a while before the instrument returns.
        std::this_thread::sleep_for(std::chrono::milliseconds(600));
        midi.PlayNote(60, 0);

        instrument = std::make_unique<JackTestClient>("stallkeys");
        // The output opens on a thread of its own; the window looks again
        // every 30 ms until it is open. Each look is a hold of its own.
        double longest = 0;
        for (int look = 0; look == 0 || (keeper.opening() && look < 100); ++look) {
            if (look > 0)
                std::this_thread::sleep_for(std::chrono::milliseconds(30));
            start = Clock::now();
            keeper.portsChanged();
            longest = std::max(longest, msSince(start));
        }
        back.push_back(longest);
        if (midi.outDevice == 0 || !midi.inputWorks()) {
            std::printf("%s: the instrument was not taken back\n", what);
            return false;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(100));
    }
    std::printf("%s\n", what);
    report("  output and keyboard lost -> synthesizer stands in", lost);
    report("  both back -> output taken back, keyboard reopened", back);
    return true;
}
} // namespace

int main() {
    useBuildModules();
    JackServer server;
    if (!server.running()) {
        std::puts("no JACK server could be started: nothing measured");
        return 1;
    }
    SynthConfig config = SynthConfig::fromEnvironment();
    const std::string wav = "/tmp/qvb-keeper-stall-" + std::to_string(::getpid()) + ".wav";
    if (config.audio.empty())
        config.audio = "file:" + wav;
    bool ok = measure(("synthesizer on " + config.audio).c_str(), config);
    std::remove(wav.c_str());

    PulseServer pulse;
    if (!pulse.running()) {
        std::puts("no PulseAudio server: not measured on one");
        return ok ? 0 : 1;
    }
    config.audio = "pulseaudio";
    ok = measure("synthesizer on PulseAudio", config) && ok;
    return ok ? 0 : 1;
}
