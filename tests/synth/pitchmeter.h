// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <string>
#include <vector>

// The fundamental frequency of a steady tone, by the YIN method (difference
// function with cumulative mean normalisation): robust against the octave
// errors a plain spectrum peak makes on instruments whose second harmonic is
// louder than the first. 0 when no pitch between 50 and 2000 Hz is found.
double fundamentalHz(const std::vector<float>& samples, double sampleRate);

// Root mean square and peak magnitude of samples[from, to).
double rms(const std::vector<float>& samples, std::size_t from, std::size_t to);
double peak(const std::vector<float>& samples, std::size_t from, std::size_t to);

// The first channel of a 16-bit PCM WAV file's bytes, as -1..1; empty when
// the bytes are no such file. `rate` gets its sample rate.
std::vector<float> wavFirstChannel(const std::string& bytes, double& rate);
