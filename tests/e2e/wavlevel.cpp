// SPDX-License-Identifier: GPL-3.0-or-later
// wavlevel WAV PROGRAM NOTE: the last note in a WAV file that the built-in
// synthesizer wrote (16-bit stereo, 48 kHz), from where it sets in after a
// silence, measured over 400 ms, against what the levelled synthesizer
// promises for that program and note: the same note rendered offline with the
// default SoundFont, and the instruments' loudness (each the mean of C, C'
// and C'', which the levelling keeps within 3 dB of each other).
// Prints the figures; exit status 1 when the note is not as loud as promised.
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "fluidsynthout.h"
#include "instruments.h"
#include "loudnessmeter.h"
#include "notelevels.h"

namespace {
bool readWav(const char* path, std::vector<float>& left, std::vector<float>& right) {
    std::ifstream file(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    if (bytes.size() < 44 || bytes.compare(0, 4, "RIFF") != 0 || bytes.compare(8, 4, "WAVE") != 0)
        return false;
    // The chunks after the header: the samples are in "data".
    std::size_t at = 12;
    while (at + 8 <= bytes.size()) {
        const std::string id = bytes.substr(at, 4);
        uint32_t size = 0;
        for (int i = 3; i >= 0; --i)
            size = size << 8 | uint8_t(bytes[at + 4 + std::size_t(i)]);
        at += 8;
        if (id == "data") {
            const std::size_t end = std::min(bytes.size(), at + size);
            for (std::size_t i = at; i + 3 < end; i += 4) {
                const auto sample = [&](std::size_t j) {
                    return int16_t(uint8_t(bytes[j]) | uint8_t(bytes[j + 1]) << 8) / 32768.0f;
                };
                left.push_back(sample(i));
                right.push_back(sample(i + 2));
            }
            return true;
        }
        at += size + (size & 1);
    }
    return false;
}
} // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: wavlevel WAV PROGRAM NOTE\n");
        return 2;
    }
    const int program = std::atoi(argv[2]);
    const int note = std::atoi(argv[3]);
    std::vector<float> left, right;
    if (!readWav(argv[1], left, right)) {
        std::fprintf(stderr, "FAIL: %s is no WAV file of the synthesizer\n", argv[1]);
        return 1;
    }
    constexpr double Rate = 48000;
    const std::size_t quietRun = std::size_t(0.05 * Rate);
    const std::size_t frames = std::size_t(0.4 * Rate);
    // The last place where sound follows 50 ms of silence.
    std::size_t onset = 0, quiet = 0;
    bool found = false;
    for (std::size_t i = 0; i < left.size(); ++i) {
        const float level = std::max(std::fabs(left[i]), std::fabs(right[i]));
        if (level < 1e-3f) {
            ++quiet;
        } else {
            if (quiet >= quietRun) {
                onset = i;
                found = true;
            }
            quiet = 0;
        }
    }
    if (!found || onset + frames > left.size()) {
        std::fprintf(stderr, "FAIL: no whole note after a silence in %s\n", argv[1]);
        return 1;
    }
    LoudnessMeter heard(Rate);
    heard.add(left.data() + onset, right.data() + onset, frames);

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
        for (int n : {48, 60, 72})
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
    expect(heard.peakDbfs() <= -1.0 && heard.peakDbfs() >= -12.0, "its peak is not within -12..-1 dBFS");
    return ok ? 0 : 1;
}
