// SPDX-License-Identifier: GPL-3.0-or-later
// Opening the MIDI devices as the window's start-up does: the built-in
// synthesizer with the default SoundFont (read at this moment), the lists of
// ports, the input. Also its buffer latency and the memory it takes.
//
// Without a sound card the synthesizer plays into a WAV file in /tmp unless
// QVB_SYNTH_AUDIO names another driver.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <fstream>
#include <memory>
#include <string>
#include <unistd.h>

#include "fluidsynthout.h"
#include "mididevices.h"
#include "systemmidi.h"
#include "buildmodules.h"

namespace {
double residentMb() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stod(line.substr(6)) / 1024.0;
    }
    return 0.0;
}

SynthConfig benchSynth() {
    SynthConfig config = SynthConfig::fromEnvironment();
    if (config.audio.empty())
        config.audio = "file:/tmp/qvb-bench-" + std::to_string(::getpid()) + ".wav";
    return config;
}

void removeWav(const SynthConfig& config) {
    if (config.audio.rfind("file:", 0) == 0)
        std::remove(config.audio.substr(5).c_str());
}

struct Opened {
    std::unique_ptr<SystemMidi> platform;
    std::unique_ptr<MidiDevices> midi;
    bool failed = false;
};

Opened openDevices(const SynthConfig& config) {
    Opened o;
    o.platform = std::make_unique<SystemMidi>(config);
    o.midi = std::make_unique<MidiDevices>(*o.platform);
    o.midi->OpenDevices("QVB-Zaradariveda",
                        [&](const std::string&, const std::string&) { o.failed = true; }, {});
    return o;
}

// What one start of the program pays: the first open in a fresh process also
// sets up FluidSynth's tables. Registered first, so it runs first.
void BM_OpenDevicesFirstInProcess(benchmark::State& state) {
    const SynthConfig config = benchSynth();
    const double before = residentMb();
    for (auto _ : state) {
        Opened o = openDevices(config);
        state.PauseTiming();
        if (o.failed) {
            state.SkipWithError("the built-in synthesizer did not open");
            break;
        }
        auto* synth = dynamic_cast<FluidSynthOut*>(o.midi->outHandle.get());
        state.counters["buffer_ms"] = synth ? synth->bufferLatencyMs() : -1;
        state.counters["rss_MB"] = residentMb();
        state.counters["rss_added_MB"] = residentMb() - before;
        state.SetLabel(synth ? synth->driverName() + ", " + synth->soundFont() : "");
        o = {};
        state.ResumeTiming();
    }
    removeWav(config);
}
BENCHMARK(BM_OpenDevicesFirstInProcess)->Iterations(1)->Unit(benchmark::kMillisecond);

// The same open again and again: the median start-up cost once the library is warm.
void BM_OpenDevices(benchmark::State& state) {
    const SynthConfig config = benchSynth();
    for (auto _ : state) {
        Opened o = openDevices(config);
        state.PauseTiming();
        if (o.failed) {
            state.SkipWithError("the built-in synthesizer did not open");
            break;
        }
        o = {};
        state.ResumeTiming();
    }
    removeWav(config);
}
BENCHMARK(BM_OpenDevices)
    ->Unit(benchmark::kMillisecond)
    ->Repetitions(5)
    ->ReportAggregatesOnly(true);
} // namespace

int main(int argc, char** argv) {
    useBuildModules();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
