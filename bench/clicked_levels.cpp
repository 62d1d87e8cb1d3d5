// SPDX-License-Identifier: GPL-3.0-or-later
// clicked_levels WAV KEY...: the notes the real program played into a WAV
// file (bench/clicked_levels.sh: each of the 18 instruments chosen in the
// combobox, its preview left to end, then KEY... clicked on the lower staff,
// each silenced before the next), each measured over its first 400 ms as the
// levelling measures it (K-weighted loudness and sample peak), beside the same
// keys rendered offline by the levelled synthesizer with the default SoundFont.
// Prints a table and the spread of the instruments' means, heard and offline.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include "fluidsynthout.h"
#include "instruments.h"
#include "loudnessmeter.h"
#include "notelevels.h"
#include "wavfile.h"
#include "buildmodules.h"

namespace {
struct Spread {
    double low = INFINITY, high = -INFINITY;
    void add(double x) {
        low = std::min(low, x);
        high = std::max(high, x);
    }
    double width() const { return high - low; }
};
} // namespace

int main(int argc, char** argv) {
    useBuildModules();
    if (argc < 3) {
        std::fprintf(stderr, "usage: clicked_levels WAV KEY...\n");
        return 2;
    }
    std::vector<int> keys;
    for (int i = 2; i < argc; ++i)
        keys.push_back(std::atoi(argv[i]));
    WavSound sound;
    if (!readWav(argv[1], sound)) {
        std::fprintf(stderr, "%s is no WAV file of the synthesizer\n", argv[1]);
        return 1;
    }
    // Each instrument: its preview, then the keys.
    const std::size_t perInstrument = keys.size() + 1;
    const std::vector<std::size_t> onsets = noteOnsets(sound);
    if (onsets.size() != perInstrument * InstrumentCount) {
        std::fprintf(stderr, "%zu notes in %s, not %zu\n", onsets.size(), argv[1],
                     perInstrument * InstrumentCount);
        return 1;
    }
    auto synth = FluidSynthOut::openOffline(SynthConfig{});
    if (!synth) {
        std::fprintf(stderr, "the default SoundFont cannot be read\n");
        return 1;
    }
    SoundingSynth offline;
    offline.send = [&](uint32_t m) { synth->sendShort(m); };
    offline.render = [&](float* l, float* r, int n) { return synth->render(l, r, n); };

    const std::size_t frames = std::size_t(0.4 * WavSound::Rate);
    std::printf("SoundFont %s\n| instrument | heard: LUFS of each key | heard: peaks dBFS | "
                "heard: mean | offline: mean | heard - offline |\n|---|---|---|---|---|---|\n",
                synth->soundFont().c_str());
    Spread heardSpread, offlineSpread, peaks;
    bool whole = true;
    for (int i = 0; i < InstrumentCount; ++i) {
        double heardMean = 0, offlineMean = 0;
        char each[128] = "", peak[128] = "";
        for (std::size_t k = 0; k < keys.size(); ++k) {
            const std::size_t onset = onsets[std::size_t(i) * perInstrument + 1 + k];
            const std::size_t next = onset + frames;
            if (next > sound.left.size() ||
                (onsets.size() > std::size_t(i) * perInstrument + 2 + k &&
                 onsets[std::size_t(i) * perInstrument + 2 + k] < next))
                whole = false; // cut before its 400 ms
            LoudnessMeter heard(WavSound::Rate);
            heard.add(sound.left.data() + onset, sound.right.data() + onset,
                      std::min(frames, sound.left.size() - onset));
            heardMean += heard.loudnessLufs() / double(keys.size());
            offlineMean += measureNote(offline, Instruments[i].program, keys[k]).loudness /
                           double(keys.size());
            peaks.add(heard.peakDbfs());
            std::snprintf(each + std::strlen(each), sizeof each - std::strlen(each), "%s%.1f",
                          k ? " / " : "", heard.loudnessLufs());
            std::snprintf(peak + std::strlen(peak), sizeof peak - std::strlen(peak), "%s%.1f",
                          k ? " / " : "", heard.peakDbfs());
        }
        heardSpread.add(heardMean);
        offlineSpread.add(offlineMean);
        std::printf("| %s | %s | %s | %.2f | %.2f | %+.2f |\n", Instruments[i].name, each, peak,
                    heardMean, offlineMean, heardMean - offlineMean);
    }
    std::printf("spread of the instruments' means: heard %.2f dB, offline %.2f dB; peaks heard "
                "%.1f .. %.1f dBFS%s\n",
                heardSpread.width(), offlineSpread.width(), peaks.low, peaks.high,
                whole ? "" : "; some notes were cut before 400 ms");
    return 0;
}
