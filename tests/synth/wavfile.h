// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <cstddef>
#include <vector>

// What the built-in synthesizer wrote into a WAV file (QVB_SYNTH_AUDIO=file:PATH):
// 16-bit stereo at 48 kHz, as two channels of floats.
struct WavSound {
    static constexpr double Rate = 48000;
    std::vector<float> left, right;
};

// False when the file is missing or holds no samples chunk.
bool readWav(const char* path, WavSound& sound);

// Where each note sets in after at least `quietMs` of silence (below -60 dBFS),
// in frames from the start.
std::vector<std::size_t> noteOnsets(const WavSound& sound, double quietMs = 50);
