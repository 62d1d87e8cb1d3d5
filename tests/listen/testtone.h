// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <algorithm>
#include <cmath>
#include <vector>

// A sung note as the microphone's tests make it: three harmonics at `note`
// (a key number, 69 = 440 Hz), its loudest sample at `peakDb`, `ms` long,
// with a 5 ms fade at each end.
inline std::vector<float> testTone(double note, double peakDb, double ms, double rate = 48000) {
    const auto n = std::size_t(ms * rate / 1000.0);
    const double hz = 440.0 * std::exp2((note - 69) / 12.0);
    const double a = std::pow(10.0, peakDb / 20.0) / 1.6;
    const double fadeSamples = 0.005 * rate;
    std::vector<float> out(n);
    for (std::size_t i = 0; i < n; ++i) {
        const double p = 2 * M_PI * hz * double(i) / rate;
        const double fade = std::min({1.0, double(i) / fadeSamples, double(n - i) / fadeSamples});
        out[i] = float(a * fade * (std::sin(p) + 0.5 * std::sin(2 * p) + 0.25 * std::sin(3 * p)));
    }
    return out;
}
