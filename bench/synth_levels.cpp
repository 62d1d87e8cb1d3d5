// SPDX-License-Identifier: GPL-3.0-or-later
// How long measuring the instrument table's programs takes once a SoundFont
// is in (the default one, or QVB_BENCH_SOUNDFONT), and, before the
// benchmarks, the levels of the 18 instruments: FluidSynth at its own gain
// as the synthesizer played them before, and levelled.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <fluidsynth.h>

#include "fluidsynthout.h"
#include "instruments.h"
#include "notelevels.h"
#include "programlevels.h"
#include "buildmodules.h"

namespace {
SynthConfig benchSounds() {
    SynthConfig config;
    if (const char* path = std::getenv("QVB_BENCH_SOUNDFONT"))
        config.soundFont = path;
    return config;
}

// A bare FluidSynth with the built-in synthesizer's settings, at gain 0.2.
struct UnlevelledSynth {
    fluid_settings_t* settings = new_fluid_settings();
    fluid_synth_t* synth = nullptr;
    explicit UnlevelledSynth(const std::string& soundFont) {
        fluid_settings_setnum(settings, "synth.sample-rate", 48000);
        fluid_settings_setint(settings, "synth.reverb.active", 0);
        fluid_settings_setint(settings, "synth.chorus.active", 0);
        synth = new_fluid_synth(settings);
        fluid_synth_sfload(synth, soundFont.c_str(), 1);
    }
    ~UnlevelledSynth() {
        delete_fluid_synth(synth);
        delete_fluid_settings(settings);
    }
    SoundingSynth sounding() {
        SoundingSynth s;
        s.send = [this](uint32_t m) {
            const int status = m & 0xF0, d1 = (m >> 8) & 0x7F, d2 = (m >> 16) & 0x7F;
            if (status == 0xC0)
                fluid_synth_program_change(synth, 0, d1);
            else if (status == 0x90)
                fluid_synth_noteon(synth, 0, d1, d2);
            else if (status == 0xB0)
                fluid_synth_cc(synth, 0, d1, d2);
        };
        s.render = [this](float* l, float* r, int n) {
            return fluid_synth_write_float(synth, n, l, 0, 1, r, 0, 1) == FLUID_OK;
        };
        return s;
    }
};

void printLevels() {
    const SynthConfig config = benchSounds();
    auto levelled = FluidSynthOut::openOffline(config);
    if (!levelled) {
        std::fprintf(stderr, "no SoundFont at %s\n", config.soundFont.c_str());
        return;
    }
    UnlevelledSynth before(levelled->soundFont());
    SoundingSynth beforeSynth = before.sounding();
    SoundingSynth afterSynth;
    afterSynth.send = [&](uint32_t m) { levelled->sendShort(m); };
    afterSynth.render = [&](float* l, float* r, int n) { return levelled->render(l, r, n); };
    std::printf("SoundFont %s, measured in %.1f ms\n", levelled->soundFont().c_str(),
                levelled->levels().measuringMs());
    std::printf("| instrument | program | before: peak min / median / max dBFS | before: LUFS | "
                "gain | after: peak min / median / max dBFS | after: LUFS |\n|---|---|---|---|---|---|---|\n");
    double loMin = 1e9, loMax = -1e9, beforeLoMin = 1e9, beforeLoMax = -1e9;
    for (const Instrument& instrument : Instruments) {
        const InstrumentLevel b = measureInstrument(beforeSynth, instrument.program);
        const InstrumentLevel a = measureInstrument(afterSynth, instrument.program);
        std::printf("| %s | %d | %.1f / %.1f / %.1f | %.1f | %.2f | %.1f / %.1f / %.1f | %.1f |\n",
                    instrument.name, instrument.program, b.minPeakDb, b.medianPeakDb, b.maxPeakDb,
                    b.loudness, levelled->levels().gain(instrument.program), a.minPeakDb,
                    a.medianPeakDb, a.maxPeakDb, a.loudness);
        loMin = std::min(loMin, a.loudness);
        loMax = std::max(loMax, a.loudness);
        beforeLoMin = std::min(beforeLoMin, b.loudness);
        beforeLoMax = std::max(beforeLoMax, b.loudness);
    }
    std::printf("loudness spread: before %.1f dB, after %.1f dB\n\n", beforeLoMax - beforeLoMin,
                loMax - loMin);
}

// The first measurement, a few keys of each program, and then every key.
void BM_MeasureProgramLevels(benchmark::State& state) {
    const SynthConfig config = benchSounds();
    const auto keys = state.range(0) ? ProgramLevels::Keys::Every : ProgramLevels::Keys::Few;
    for (auto _ : state) {
        const ProgramLevels levels = ProgramLevels::measure(config.soundFont, 48000, nullptr, nullptr, keys);
        if (!levels.isMeasured()) {
            state.SkipWithError("the SoundFont could not be measured");
            return;
        }
        benchmark::DoNotOptimize(levels.gain(0));
    }
}
BENCHMARK(BM_MeasureProgramLevels)->ArgName("everyKey")->Arg(0)->Arg(1)->Unit(benchmark::kMillisecond)->MinTime(2.0);
} // namespace

int main(int argc, char** argv) {
    useBuildModules();
    printLevels();
    benchmark::Initialize(&argc, argv);
    benchmark::RunSpecifiedBenchmarks();
    benchmark::Shutdown();
    return 0;
}
