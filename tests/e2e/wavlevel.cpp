// SPDX-License-Identifier: GPL-3.0-or-later
// wavlevel WAV PROGRAM NOTE: the last note in a WAV file that the built-in
// synthesizer wrote (16-bit stereo, 48 kHz), from where it sets in after a
// silence, measured over 400 ms, against what the levelled synthesizer
// promises for that program and note: the same note rendered offline with the
// default SoundFont, and the instruments' loudness (each the mean of C, C'
// and C'', which the levelling keeps within 2.5 dB of each other).
// Prints the figures; exit status 1 when the note is not as loud as promised.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "fluidsynthout.h"
#include "instruments.h"
#include "loudnessmeter.h"
#include "notelevels.h"
#include "wavfile.h"

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: wavlevel WAV PROGRAM NOTE\n");
        return 2;
    }
    const int program = std::atoi(argv[2]);
    const int note = std::atoi(argv[3]);
    WavSound sound;
    if (!readWav(argv[1], sound)) {
        std::fprintf(stderr, "FAIL: %s is no WAV file of the synthesizer\n", argv[1]);
        return 1;
    }
    constexpr double Rate = WavSound::Rate;
    const std::size_t frames = std::size_t(0.4 * Rate);
    // The last place where sound follows 50 ms of silence.
    const std::vector<std::size_t> onsets = noteOnsets(sound);
    const std::size_t onset = onsets.empty() ? 0 : onsets.back();
    if (onsets.empty() || onset + frames > sound.left.size()) {
        std::fprintf(stderr, "FAIL: no whole note after a silence in %s\n", argv[1]);
        return 1;
    }
    LoudnessMeter heard(Rate);
    heard.add(sound.left.data() + onset, sound.right.data() + onset, frames);

    auto synth = FluidSynthOut::openOffline(SynthConfig{});
    if (!synth) {
        std::fprintf(stderr, "FAIL: the default SoundFont cannot be read\n");
        return 1;
    }
    SoundingSynth offline;
    offline.send = [&](uint32_t m) { synth->sendShort(m); };
    offline.render = [&](float* l, float* r, int n) { return synth->render(l, r, n); };
    const NoteLevel promised = measureNote(offline, program, note);
    std::vector<double> others;
    for (const Instrument& instrument : Instruments) {
        double mean = 0;
        for (int n : {36, 60, 72})
            mean += measureNote(offline, instrument.program, n).loudness / 3;
        others.push_back(mean);
    }
    std::sort(others.begin(), others.end());
    const double median = others[others.size() / 2];

    std::printf("heard at %.3f s: peak %.1f dBFS, %.1f LUFS; promised %.1f dBFS, %.1f LUFS; "
                "the instruments' median over C, C' and C'' %.1f LUFS\n",
                double(onset) / Rate, heard.peakDbfs(), heard.loudnessLufs(), promised.peakDb,
                promised.loudness, median);
    bool ok = true;
    const auto expect = [&ok](bool holds, const char* what) {
        if (!holds) {
            std::fprintf(stderr, "FAIL: %s\n", what);
            ok = false;
        }
    };
    expect(std::abs(heard.loudnessLufs() - promised.loudness) <= 1.0,
           "not as loud as the levelled synthesizer plays it");
    expect(std::abs(heard.loudnessLufs() - median) <= 3.0, "not as loud as the other instruments");
    expect(heard.peakDbfs() <= -1.0 && heard.peakDbfs() >= -12.0,
           "its peak is not within -12..-1 dBFS");
    return ok ? 0 : 1;
}
