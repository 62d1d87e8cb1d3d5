// SPDX-License-Identifier: GPL-3.0-or-later
// From a note-on leaving an instrument's JACK port to the note waiting in the
// input mailbox: a JACK server of our own (dummy driver, 128 frames at 48 kHz,
// one period 2.67 ms), a test instrument, 1,000 notes one after another.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <chrono>
#include <thread>
#include <vector>

#include "jackserver.h"
#include "jacktestclient.h"
#include "mididevices.h"
#include "systemmidi.h"

namespace {
int64_t nowNs() {
    return std::chrono::duration_cast<std::chrono::nanoseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

int findInput(MidiPlatform& platform, const std::string& name) {
    const unsigned count = platform.inCount();
    for (unsigned i = 0; i < count; ++i) {
        std::string shown;
        if (platform.inName(i, shown) && shown == name)
            return int(i);
    }
    return -1;
}

void BM_JackInputToMailbox(benchmark::State& state) {
    JackServer server;
    JackTestClient instrument;
    if (!server.running() || !instrument.ok()) {
        state.SkipWithError("no JACK server");
        return;
    }
    SynthConfig noSynth;
    noSynth.soundFont = "";
    noSynth.soundFontRoot = "";
    SystemMidi platform(noSynth);
    MidiDevices midi(platform);
    midi.reopenInput(findInput(platform, instrument.outPortName()));
    if (!midi.inputOpen()) {
        state.SkipWithError("the instrument's port did not open");
        return;
    }
    midi.inputReset();
    midi.clearMailbox();
    midi.inputStart();

    constexpr int Notes = 1000;
    std::vector<double> micros;
    for (auto _ : state) {
        micros.clear();
        for (int i = 0; i < Notes; ++i) {
            const uint64_t sentBefore = instrument.sentCount();
            instrument.send({{0x90, uint8_t(36 + i % 49), 100}});
            const int64_t deadline = nowNs() + 1'000'000'000;
            int note = NoteInput::NoNote;
            while (note == NoteInput::NoNote && nowNs() < deadline) {
                note = midi.takeNote();
                if (note == NoteInput::NoNote)
                    std::this_thread::yield();
            }
            const int64_t arrived = nowNs();
            if (note == NoteInput::NoNote || instrument.sentCount() <= sentBefore) {
                state.SkipWithError("a note got lost");
                return;
            }
            micros.push_back(double(arrived - instrument.lastSentNs()) / 1000.0);
        }
    }
    std::sort(micros.begin(), micros.end());
    state.counters["median_us"] = micros[micros.size() / 2];
    state.counters["p99_us"] = micros[micros.size() * 99 / 100];
    state.counters["max_us"] = micros.back();
    state.counters["period_us"] = 1e6 * server.periodFrames() / server.sampleRate();
}
BENCHMARK(BM_JackInputToMailbox)->Iterations(1)->Unit(benchmark::kMillisecond);
} // namespace

BENCHMARK_MAIN();
